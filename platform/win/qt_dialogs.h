#pragma once
// Boxes and dialogs on the screen. Each blocks in its own modal loop, so the program's main
// loop, and with it rendering, stands still until the user answers.

#include "platform/win/dialogs.h"

#include <QDialog>

namespace win {

// A dialog laid out from a dialog resource and run by a dialog procedure.
class ResourceDialog : public QDialog, public Dialog {
public:
    ResourceDialog(const DialogResource& resource, QWidget* owner, DialogProc proc);
    void End(int result) override { done(result); }

    // Dialog units to pixels for this dialog's font.
    QRect ToPixels(int x, int y, int width, int height) const;

    // Esc and the close box ask the procedure (as IDCANCEL) instead of closing.
    void reject() override;

private:
    void AddControl(const DialogControlResource& control);
    void Press(int id);

    DialogProc proc_;
    int baseWidth_;
    int baseHeight_;
};

class QtDialogs : public Dialogs {
public:
    int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                   unsigned style) override;
    void MessageBeep(unsigned type) override;
    int DialogBox(const DialogResource& resource, Window* owner, DialogProc proc) override;
    bool ChooseOpenFile(OpenFileName& request) override;
};

} // namespace win
