#include "ui/setup/setup_form_layout.h"

#include "ui/common/caption_fit.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace quorvane {

namespace {

enum class Kind { Label, List, Button };

struct Control {
    Kind kind;
    const char* name;
    int left, top, width, height;
    const char* caption;
};

// Listed in keyboard focus order: Qt moves the focus in creation order, so the
// input list, made first, holds the focus when the dialog opens.
const Control controls[] = {
    {Kind::List, "ComboMidiIn", 120, 540, 2265, 315, ""},
    {Kind::List, "ComboMidiOut", 2460, 540, 2265, 315, ""},
    {Kind::Label, "Label1", 150, 240, 2115, 255, "MIDI In Device"},
    {Kind::Label, "Label2", 2490, 240, 2025, 255, "MIDI Out Device"},
    {Kind::Button, "CmdOk", 5010, 240, 1005, 375, "Ok"},
    {Kind::Button, "CmdCancel", 5010, 690, 1005, 375, "Cancel"},
};

QWidget* makeControl(const Control& c, QDialog& form)
{
    const QString caption = QString::fromUtf8(c.caption);
    QWidget* widget = nullptr;
    switch (c.kind) {
    case Kind::Label: widget = new QLabel(caption, &form); break;
    case Kind::List:
        widget = new QComboBox(&form); // choose only: device names cannot be typed
        break;
    case Kind::Button: widget = new QPushButton(caption, &form); break;
    }
    widget->setObjectName(QString::fromUtf8(c.name));
    widget->setFont(classicFont());
    widget->setGeometry(twips(c.left), twips(c.top), twips(c.width), twips(c.height));
    return widget;
}

} // namespace

void buildSetupFormLayout(QDialog& form)
{
    form.setObjectName(QStringLiteral("MIDISetupForm"));
    form.setWindowTitle(QStringLiteral("MIDI Setup"));
    form.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    form.setFixedSize(twips(6315), twips(1200));
    for (const Control& c : controls)
        makeControl(c, form);
    fitCaptions(&form);
    // The lists are announced by the labels above them.
    form.findChild<QWidget*>(QStringLiteral("ComboMidiIn"))->setAccessibleName(QStringLiteral("MIDI In Device"));
    form.findChild<QWidget*>(QStringLiteral("ComboMidiOut"))->setAccessibleName(QStringLiteral("MIDI Out Device"));
    // Enter answers "Ok" wherever the focus is, except on "Cancel" itself.
    form.findChild<QPushButton*>(QStringLiteral("CmdOk"))->setDefault(true);
}

} // namespace quorvane
