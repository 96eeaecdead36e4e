// Drives the modal dialogs and boxes that widget tests open: one scripted step for each that appears.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace uitest {

// Made once and kept to the end of the process, as widgets of one test may outlive its scope.
inline void ensureApplication()
{
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    // QFileDialog keeps its history in the user's settings; the tests keep theirs apart.
    static QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

// Hands each new modal widget to the next step, from a timer of its own, so that a box the step opens
// (the replace question) is seen while it waits. One beyond the script is rejected and counted, so
// that a faulty program cannot hang the test. A script answers every modal widget while it lives:
// scope it to its run, or it answers the dialogs of the next one.
class ModalScript {
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps))
    {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            // A progress dialog asks nothing: it goes when its run ends.
            if (modal == nullptr || !modal->isVisible() || modal == answered_ || qobject_cast<QProgressDialog*>(modal)) return;
            answered_ = modal;
            const Step step = taken < steps_.size() ? steps_[taken++] : Step([this](QWidget* extra) {
                ++unscripted;
                qobject_cast<QDialog*>(extra)->reject();
            });
            QTimer::singleShot(0, modal, [step, modal] { step(modal); });
        });
        poll_.start(5);
    }

    std::size_t taken = 0;
    int unscripted = 0;

private:
    std::vector<Step> steps_;
    QTimer poll_;
    QPointer<QWidget> answered_;
};

// Lets check look at the file dialog, then types path into its name field (selectFile does not reach
// a shown open dialog) and accepts it, or cancels without a path. Offscreen the name field has no
// focus, so a selection in the list, which would win over the typed name, is dropped here.
inline ModalScript::Step choose(std::optional<QString> path, std::function<void(QFileDialog*)> check = {})
{
    return [path, check](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        EXPECT_NE(dialog, nullptr) << "expected a file dialog";
        if (dialog != nullptr && check) check(dialog);
        if (dialog == nullptr || !path) return qobject_cast<QDialog*>(modal)->reject();
        dialog->findChild<QListView*>(QStringLiteral("listView"))->clearSelection();
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(*path);
        static_cast<QDialog*>(dialog)->accept();  // protected in QFileDialog
    };
}

// Lets check look at the message box, then clicks its button.
inline ModalScript::Step answer(QMessageBox::StandardButton button, std::function<void(QMessageBox*)> check = {})
{
    return [button, check](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        EXPECT_NE(box, nullptr) << "expected a message box";
        if (box == nullptr) return qobject_cast<QDialog*>(modal)->reject();
        if (check) check(box);
        box->button(button)->click();
    };
}

}  // namespace uitest
