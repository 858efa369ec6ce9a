#include "ui/main/scale_menus.h"

#include "ui/main/window_names.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <iterator>

namespace quorvane {

namespace {

struct RadioItem {
    const char* name;
    const char* caption;
};

// In the order of Scale.
const RadioItem scaleItems[] = {
    {menus::ScaleChromatic, "&Chromatic"},
    {menus::ScaleMajor, "M&ajor"},
    {menus::ScaleNaturalMinor, "Natural &Minor"},
    {menus::ScaleHarmonicMinor, "&Harmonic Minor"},
    {menus::ScaleMajorPentatonic, "Major &Pentatonic"},
    {menus::ScaleMinorPentatonic, "Minor P&entatonic"},
    {menus::ScaleBlues, "&Blues"},
    {menus::ScaleDorian, "&Dorian"},
    {menus::ScaleMixolydian, "Mi&xolydian"},
    {menus::ScaleWholeTone, "&Whole Tone"},
};
static_assert(std::size(scaleItems) == ScaleCount);

// Tonic 0..11, spelt with sharps as a keyboard player names the black keys.
const RadioItem keyItems[] = {
    {menus::KeyC, "C"},       {menus::KeyCSharp, "C#"}, {menus::KeyD, "D"},       {menus::KeyDSharp, "D#"},
    {menus::KeyE, "E"},       {menus::KeyF, "F"},       {menus::KeyFSharp, "F#"}, {menus::KeyG, "G"},
    {menus::KeyGSharp, "G#"}, {menus::KeyA, "A"},       {menus::KeyASharp, "A#"}, {menus::KeyB, "B"},
};

// A submenu of radio items inserted before `before`, each carrying its
// place in the list; the first is checked.
template <std::size_t Count>
void addRadioMenu(QMenu& edit, QAction* before, const QString& caption, const char* name,
                  const RadioItem (&items)[Count])
{
    auto* menu = new QMenu(caption, &edit);
    menu->setObjectName(QString::fromLatin1(name));
    edit.insertMenu(before, menu);
    auto* group = new QActionGroup(menu);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (std::size_t i = 0; i < Count; ++i) {
        QAction* action = menu->addAction(QString::fromUtf8(items[i].caption));
        action->setObjectName(QString::fromLatin1(items[i].name));
        action->setCheckable(true);
        action->setData(int(i));
        group->addAction(action);
    }
    group->actions().constFirst()->setChecked(true);
}

// The value of the checked item of the window's submenu `name`.
int checkedValue(const QWidget& window, const char* name)
{
    const auto* menu = window.findChild<QMenu*>(QString::fromLatin1(name));
    for (const QAction* action : menu->actions()) {
        if (action->isChecked())
            return action->data().toInt();
    }
    return 0;
}

} // namespace

void addScaleMenus(QMenu& edit)
{
    QAction* first = edit.actions().value(0);
    addRadioMenu(edit, first, QMenu::tr("&Scale"), menus::Scale, scaleItems);
    addRadioMenu(edit, first, QMenu::tr("&Key"), menus::Key, keyItems);
    if (first)
        edit.insertSeparator(first);
}

ScaleChoice checkedScale(const QWidget& window)
{
    return ScaleChoice{static_cast<Scale>(checkedValue(window, menus::Scale)), checkedValue(window, menus::Key)};
}

QString scaleTitle(const ScaleChoice& choice)
{
    if (choice.scale == Scale::Chromatic)
        return QString();
    const auto scale = static_cast<std::size_t>(choice.scale);
    return QStringLiteral("%1 %2").arg(QString::fromUtf8(keyItems[choice.tonic % 12].caption),
                                       QString::fromUtf8(scaleItems[scale].caption).remove(QLatin1Char('&')));
}

std::optional<KeySignature> keySignatureOf(const ScaleChoice& choice)
{
    if (choice.scale != Scale::Major && choice.scale != Scale::NaturalMinor)
        return std::nullopt;
    return KeySignature::of(choice.tonic, choice.scale == Scale::NaturalMinor);
}

} // namespace quorvane
