#pragma once

#include "../modal_poll.h"

#include <QComboBox>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <functional>

// Answers the modal windows that open while a call runs, since exec() blocks
// the test: message boxes are noted as "title: text" and closed with OK; the
// device dialog is handed once to the test's action, which must hide or close
// it. A dialog the action left open is closed, and noted as such.
struct ModalAnswers {
    std::function<void(QDialog&)> onDialog;
    std::function<void(QMessageBox&)> onBox; // called before a box is answered
    QStringList boxes;
    int dialogs = 0;
    bool leftOpen = false;

    void run(const std::function<void()>& call)
    {
        QPointer<QWidget> handled;
        answerModalsDuring(call, [&](QWidget& modal) {
            if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
                boxes << box->windowTitle() + QStringLiteral(": ") + box->text();
                if (onBox)
                    onBox(*box);
                box->button(QMessageBox::Ok)->click();
                return;
            }
            auto* form = qobject_cast<QDialog*>(&modal);
            // Act once the window is active and its lists are filled, as a
            // musician would: the focus and the keys only reach it from then
            // on, and a greyed list cannot be chosen from.
            if (!form || form->objectName() != QStringLiteral("MIDISetupForm") || !form->isActiveWindow())
                return;
            if (auto* outputs = form->findChild<QComboBox*>(QStringLiteral("ComboMidiOut")); !outputs->isEnabled())
                return;
            if (form == handled) {
                leftOpen = true;
                form->reject();
                return;
            }
            handled = form;
            ++dialogs;
            if (onDialog)
                onDialog(*form);
            else
                form->reject();
        });
    }
};
