#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <array>

namespace quorvane {

// The about box's picture is painted by the program itself at run time, so
// the source tree carries no binary image. It is 510 x 408 pixels; the
// picture control scales it to fill its area.
constexpr int aboutPictureWidth = 510;
constexpr int aboutPictureHeight = 408;

// The four things the picture shows, one under each mouse-sensitive region.
enum class AboutFeature { GeneralMidi, Mixmaster, MidiThru, Wondrousness };
constexpr int aboutFeatureCount = 4;

// One short line (the description box wraps it) saying what the feature is.
QString aboutFeatureDescription(AboutFeature feature);

// Paints the picture with each feature drawn inside its area, given in
// picture pixels and indexed by the feature's enum value.
QImage paintAboutPicture(const std::array<QRectF, aboutFeatureCount>& areas);

} // namespace quorvane
