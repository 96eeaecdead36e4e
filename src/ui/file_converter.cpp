// The program's only window: title, description, status line and the two buttons.
#include "ui/file_converter.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace ui {
namespace {

// Geometry is given in pixels at 96 dots per inch and fonts in points; on a denser screen Qt 6
// scales the pixels by the device pixel ratio, so that both grow alike.
QFont arial(qreal pointSize, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// A control at its place in the window, with its own font, named as the rest of the program calls it.
template <class Control>
Control* placed(QWidget* window, const char* name, const QString& text, QRect geometry, const QFont& font)
{
    auto* created = new Control(text, window);
    created->setObjectName(QLatin1String(name));
    created->setGeometry(geometry);
    created->setFont(font);
    return created;
}

QLabel* label(QWidget* window, const char* name, const QString& text, QRect geometry, const QFont& font)
{
    auto* created = placed<QLabel>(window, name, text, geometry, font);
    created->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return created;
}

QPushButton* button(QWidget* window, const char* name, const QString& text, QRect geometry, const QFont& font)
{
    auto* created = placed<QPushButton>(window, name, text, geometry, font);
    // Enter presses the button that holds the focus, as on Windows; a plain window has no default
    // button, so Enter elsewhere presses neither.
    created->setAutoDefault(true);
    return created;
}

}  // namespace

FileConverter::FileConverter(engine::ConversionPipeline& pipeline, const QString& applicationFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      CMDialogDatei(this),
      warnings_(this),
      run_(pipeline, CMDialogDatei, warnings_, &QApplication::beep,
           workflow::profileMeasurementFolder(applicationFolder.toStdString())),
      batchPrompts_(this),
      // Dropped files are converted off the window's thread, each run through a pipeline of its own.
      batchRun_(run_, batchPrompts_, windowThread_, workflow::profileMeasurementFolder(applicationFolder.toStdString()),
                [] { return std::make_unique<engine::ConversionPipeline>(); })
{
    setObjectName(QStringLiteral("FileConverter"));
    setWindowTitle(QStringLiteral("FileConverter"));
    setFixedSize(404, 261);
    setFont(arial(9));
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/fileconverter-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/fileconverter-32.png"), QSize(32, 32));
    setWindowIcon(icon);
    setAcceptDrops(true);
    setToolTip(QStringLiteral("Drop measurement files or folders here to convert them"));

    // Created in the order of the keyboard focus; the labels take none.
    Label1 = label(this, "Label1", QStringLiteral("File Converter WIN-VELNOR"), {112, 24, 185, 17}, arial(9.75));
    Command1 = button(this, "Command1", QStringLiteral("Start converting a file"), {72, 136, 273, 65},
                      arial(11.25, true));
    Command2 = button(this, "Command2", QStringLiteral("End"), {320, 232, 81, 25}, arial(9.75));
    Label2 = label(this, "Label2", QString(), {72, 88, 273, 33}, arial(12, true));
    Label3 = label(this, "Label3", QStringLiteral("straightness measuring files version <5.01 to version >5.021"),
                   {112, 40, 185, 41}, arial(9.75));
    Label3->setWordWrap(true);
    Command1->setFocus();

    connect(Command1, &QPushButton::clicked, this, [this] { runAlone([this] { run_.convertOneFile(*this); }); });
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
}

bool FileConverter::takes(const QMimeData* data) const
{
    const QList<QUrl> urls = data->urls();
    return !running_ && !urls.isEmpty() && std::ranges::all_of(urls, &QUrl::isLocalFile);
}

void FileConverter::runAlone(const std::function<void()>& run)
{
    running_ = true;
    run();
    running_ = false;
}

void FileConverter::dragEnterEvent(QDragEnterEvent* event) { dragMoveEvent(event); }

void FileConverter::dragMoveEvent(QDragMoveEvent* event)
{
    if (!takes(event->mimeData())) return event->ignore();
    // Converting only reads the files: a move would have the file manager remove them.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FileConverter::dropEvent(QDropEvent* event)
{
    if (!takes(event->mimeData())) return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The system's names, as the workflow takes them, without a closing '/' or "..".
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths.push_back(QFile::encodeName(QDir::cleanPath(url.toLocalFile())).toStdString());
    // The run starts once the drop is answered: the file manager waits for that answer, not for the run,
    // and no other drop or click may come in between.
    running_ = true;
    setCommand1Enabled(false);
    QTimer::singleShot(0, this, [this, paths] { runAlone([this, paths] { batchRun_.convertDropped(*this, paths); }); });
}

void FileConverter::showStatus(const std::string& text) { Label2->setText(QString::fromStdString(text)); }

void FileConverter::setCommand1Enabled(bool enabled)
{
    Command1->setEnabled(enabled);
    // Disabling the button passed the focus on to Command2; taking it back keeps a key press after
    // the run from ending the program.
    if (enabled)
        Command1->setFocus();
}

}  // namespace ui
