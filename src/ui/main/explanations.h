#pragma once

#include <QString>

class QWidget;

namespace quorvane {

// The texts behind the two "?" buttons of the formula frames. Lines break with
// LF CR and paragraphs with that pair twice.
QString mixmasterExplanation();
QString wondrousnessExplanation();

inline QString mixmasterExplanationTitle()
{
    return QStringLiteral("The Mixmaster Algorithm");
}
inline QString wondrousnessExplanationTitle()
{
    return QStringLiteral("Wondrousness");
}

// Shows an explanation in a modal box with the information icon and one OK button.
void showExplanation(QWidget* owner, const QString& title, const QString& text);

} // namespace quorvane
