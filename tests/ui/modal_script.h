// Drives the modal dialogs and boxes that widget tests open: one scripted step for each that appears.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
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
    if (QApplication::instance() == nullptr)
        new QApplication(argc, argv);
}

// Watches for the next modal widget and hands it to the next step. A step runs from a timer of
// its own, so that a box it opens (the replace question) is seen while it waits. A modal widget
// beyond the script is rejected and counted, so that a faulty program cannot hang the test.
class ModalScript {
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps))
    {
        QObject::connect(&poll_, &QTimer::timeout, [this] { answerNewModal(); });
        poll_.start(5);
    }

    std::size_t taken = 0;
    int unscripted = 0;

private:
    void answerNewModal()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || modal == answered_)
            return;
        answered_ = modal;
        Step step = taken < steps_.size() ? steps_[taken++] : Step([this](QWidget* w) {
            ++unscripted;
            qobject_cast<QDialog*>(w)->reject();
        });
        QTimer::singleShot(0, modal, [step, modal] { step(modal); });
    }

    std::vector<Step> steps_;
    QTimer poll_;
    QPointer<QWidget> answered_;
};

// Types the path into the dialog's name field (selectFile does not reach a shown open dialog) and
// accepts it; accept() is protected in QFileDialog and public in QDialog. Typing into the focused
// field drops an earlier selection in the list, which would win over the typed name; offscreen the
// field has no focus, so the selection is dropped here.
inline ModalScript::Step choose(const QString& path, std::function<void(QFileDialog*)> inspect = {})
{
    return [path, inspect](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr) {
            ADD_FAILURE() << "expected a file dialog";
            return qobject_cast<QDialog*>(modal)->reject();
        }
        if (inspect)
            inspect(dialog);
        dialog->findChild<QListView*>(QStringLiteral("listView"))->clearSelection();
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog*>(dialog)->accept();
    };
}

inline ModalScript::Step cancel(std::function<void(QFileDialog*)> inspect = {})
{
    return [inspect](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && inspect)
            inspect(dialog);
        qobject_cast<QDialog*>(modal)->reject();
    };
}

inline ModalScript::Step answer(QMessageBox::StandardButton button)
{
    return [button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            ADD_FAILURE() << "expected a message box";
            return qobject_cast<QDialog*>(modal)->reject();
        }
        box->button(button)->click();
    };
}

}  // namespace uitest
