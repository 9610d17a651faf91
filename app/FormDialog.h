#pragma once

#include <QCloseEvent>
#include <QDialog>

namespace tv {

// A dialog window whose every way out (its close box, Esc, a cancel button, a command) goes through one
// close: QueryUnload may refuse it, Form_Unload saves what the window keeps, and then the window is no
// longer loaded.
class FormDialog : public QDialog
{
public:
    using QDialog::QDialog;
    void reject() override { close(); }

protected:
    virtual bool QueryUnload() { return true; }
    virtual void Form_Unload() {}
    virtual void markUnloaded() = 0;

    void closeEvent(QCloseEvent *event) override
    {
        if (!QueryUnload()) {
            event->ignore();
            return;
        }
        Form_Unload();
        markUnloaded();
        event->accept(); // hiding ends a modal exec() as well
    }
};

} // namespace tv
