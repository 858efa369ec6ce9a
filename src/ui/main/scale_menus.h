#pragma once

#include "engine/scale.h"

#include <QObject>
#include <QString>

class QActionGroup;
class QMenu;

namespace quorvane {

// The "&Scale" and "&Key" submenus of the Edit menu, each a group of radio
// items: the scale the pitch mode keeps its notes to (chromatic at start)
// and its tonic (C at start).
class ScaleMenus : public QObject {
    Q_OBJECT
public:
    // Puts both submenus at the top of the Edit menu, above a separator.
    explicit ScaleMenus(QMenu& edit);

    ScaleChoice choice() const;

signals:
    // A scale or key item was chosen.
    void chosen(const quorvane::ScaleChoice& choice);

private:
    QActionGroup* scales_;
    QActionGroup* keys_;
};

// The choice as the title names it: "C Major", "A# Minor Pentatonic"; empty
// for chromatic, which has no key.
QString scaleTitle(const ScaleChoice& choice);

} // namespace quorvane
