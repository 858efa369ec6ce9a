#include "ui/main/scale_menus.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace quorvane {

namespace {

struct ScaleItem {
    Scale scale;
    const char* name; // of the item's object, after "MnuScale"
    const char* caption;
};

const ScaleItem scaleItems[] = {
    {Scale::Chromatic, "Chromatic", "&Chromatic"},
    {Scale::Major, "Major", "M&ajor"},
    {Scale::NaturalMinor, "NaturalMinor", "Natural &Minor"},
    {Scale::HarmonicMinor, "HarmonicMinor", "&Harmonic Minor"},
    {Scale::MajorPentatonic, "MajorPentatonic", "Major &Pentatonic"},
    {Scale::MinorPentatonic, "MinorPentatonic", "Minor P&entatonic"},
    {Scale::Blues, "Blues", "&Blues"},
    {Scale::Dorian, "Dorian", "&Dorian"},
    {Scale::Mixolydian, "Mixolydian", "Mi&xolydian"},
    {Scale::WholeTone, "WholeTone", "&Whole Tone"},
};

// Tonic 0..11, spelt with sharps as a keyboard player names the black keys.
const char* const keyNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

QString withoutAccessKey(const char* caption)
{
    return QString::fromUtf8(caption).remove(QLatin1Char('&'));
}

QActionGroup* radioGroup(QMenu& menu)
{
    auto* group = new QActionGroup(&menu);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    return group;
}

QAction* radioItem(QMenu& menu, QActionGroup& group, const QString& caption, const QString& name, int value)
{
    QAction* item = menu.addAction(caption);
    item->setObjectName(name);
    item->setCheckable(true);
    item->setData(value);
    group.addAction(item);
    return item;
}

} // namespace

ScaleMenus::ScaleMenus(QMenu& edit) : QObject(&edit)
{
    QAction* first = edit.actions().value(0);
    auto* scaleMenu = new QMenu(tr("&Scale"), &edit);
    scaleMenu->setObjectName(QStringLiteral("MnuScale"));
    auto* keyMenu = new QMenu(tr("&Key"), &edit);
    keyMenu->setObjectName(QStringLiteral("MnuKey"));
    edit.insertMenu(first, scaleMenu);
    edit.insertMenu(first, keyMenu);
    if (first)
        edit.insertSeparator(first);

    scales_ = radioGroup(*scaleMenu);
    for (const ScaleItem& item : scaleItems)
        radioItem(*scaleMenu, *scales_, QString::fromUtf8(item.caption),
                  QStringLiteral("MnuScale") + QString::fromUtf8(item.name), static_cast<int>(item.scale));
    keys_ = radioGroup(*keyMenu);
    for (int tonic = 0; tonic < 12; ++tonic) {
        const QString key = QString::fromUtf8(keyNames[tonic]);
        radioItem(*keyMenu, *keys_, key, QStringLiteral("MnuKey") + QString(key).replace('#', QLatin1String("Sharp")),
                  tonic);
    }
    scales_->actions().constFirst()->setChecked(true);
    keys_->actions().constFirst()->setChecked(true);

    for (QActionGroup* group : {scales_, keys_})
        connect(group, &QActionGroup::triggered, this, [this] { emit chosen(choice()); });
}

ScaleChoice ScaleMenus::choice() const
{
    return ScaleChoice{static_cast<Scale>(scales_->checkedAction()->data().toInt()),
                       keys_->checkedAction()->data().toInt()};
}

QString scaleTitle(const ScaleChoice& choice)
{
    if (choice.scale == Scale::Chromatic)
        return QString();
    const auto scale = static_cast<std::size_t>(choice.scale);
    return QStringLiteral("%1 %2").arg(QString::fromUtf8(keyNames[choice.tonic % 12]),
                                       withoutAccessKey(scaleItems[scale].caption));
}

} // namespace quorvane
