// FileConverter: the window that converts old measurement files, one at a time or many dropped on it.
#include "engine/conversion_pipeline.h"
#include "ui/file_converter.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Ties the window to the installed desktop entry, so that a desktop shows the entry's name and icon for it.
    QGuiApplication::setDesktopFileName(QStringLiteral(FILECONVERTER_APP_ID));
    engine::ConversionPipeline pipeline;
    ui::FileConverter window(pipeline, QCoreApplication::applicationDirPath());
    window.show();
    return QApplication::exec();
}
