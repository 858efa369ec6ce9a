#pragma once

#include "engine/scale.h"
#include "take/key_signature.h"

#include <QString>
#include <optional>

class QMenu;
class QWidget;

namespace quorvane {

// Puts the "&Scale" and "&Key" submenus at the top of the Edit menu, above a
// separator, each a group of radio items: the scale the pitch mode keeps its
// notes to (chromatic at start) and its tonic (C at start).
void addScaleMenus(QMenu& edit);

// The scale and key the two submenus of the window have checked.
ScaleChoice checkedScale(const QWidget& window);

// The choice as the title names it: "C Major", "A# Minor Pentatonic"; empty
// for chromatic, which has no key.
QString scaleTitle(const ScaleChoice& choice);

// The key signature a score writes for the choice: a major or natural minor
// scale has one; the others, which no signature spells, none.
std::optional<KeySignature> keySignatureOf(const ScaleChoice& choice);

} // namespace quorvane
