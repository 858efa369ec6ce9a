#include "ui/main/explanations.h"

#include <QMessageBox>

namespace quorvane {

namespace {

const QString LineBreak = QStringLiteral("\n\r");
const QString ParagraphBreak = LineBreak + LineBreak;

} // namespace

QString mixmasterExplanation()
{
    QString text;
    text += LineBreak;
    text += QStringLiteral("(Source: \"Cycles and Chaos\", the Quorvane developers' notes, 1983, Quorvane Press)");
    text += ParagraphBreak;
    text += QStringLiteral("In the Mixmaster model the universe passes through a series of oscillating cycles, "
                           "and one simple rule tells how many small oscillations each cycle holds.");
    text += ParagraphBreak;
    text += QStringLiteral("1   Pick any number at random, for instance");
    text += LineBreak;
    text += QStringLiteral("N1 = 6.0229867");
    text += LineBreak;
    text += QStringLiteral("This number is the starting condition.");
    text += ParagraphBreak;
    text += QStringLiteral("2   Split N1 into its whole part and its fraction:");
    text += LineBreak;
    text += QStringLiteral("N1= 6 + 0.0229867");
    text += LineBreak;
    text += QStringLiteral("So the first cycle holds 6 small oscillations.");
    text += ParagraphBreak;
    text += QStringLiteral("3   The next number is one over the fraction:");
    text += LineBreak;
    text += QStringLiteral("N2 = 1/0.0229867 = 43.503417");
    text += LineBreak;
    text += QStringLiteral("So the next cycle holds 43 oscillations.");
    text += ParagraphBreak;
    text += QStringLiteral("4   Once more for the third cycle:");
    text += LineBreak;
    text += QStringLiteral("N3 = 1/0.503417 = 1.9864248");
    text += LineBreak;
    text += QStringLiteral("This cycle holds only one oscillation.");
    text += ParagraphBreak;
    text += QStringLiteral("Carried on, the rule gives 1, 72, 1 and 5 oscillations for the next four cycles. "
                           "Start from N1 with its last decimal changed from 7 to 6 and the cycle lengths soon "
                           "go quite another way. Such sensitivity to the starting condition is the mark of a "
                           "chaotic system, and the reason why the weather is so hard to predict.");
    return text;
}

QString wondrousnessExplanation()
{
    QString text;
    text += QStringLiteral("Wondrousness");
    text += LineBreak;
    text += QStringLiteral("' - Here is a property of numbers that is easy to define, yet nobody knows a test "
                           "for it that is sure to end. ");
    text += QStringLiteral("We start with a number. Would you pick one?'");
    text += ParagraphBreak;
    text += QStringLiteral("' - Let us take 15.'");
    text += ParagraphBreak;
    text += QStringLiteral("' - If the number is odd, triple it and add 1; if it is even, halve it. Then do the "
                           "same with the result, again and again. ");
    text += QStringLiteral("A number that reaches 1 in this way is called wondrous, and one that never does "
                           "is called unwondrous.'");
    text += ParagraphBreak;
    text += QStringLiteral("(Source: the Quorvane developers, \"Notes on Wondrous Numbers\", pages 400-401)");
    return text;
}

void showExplanation(QWidget* owner, const QString& title, const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n")); // Qt breaks lines at LF alone
    QMessageBox box(QMessageBox::Information, title, shown, QMessageBox::Ok, owner);
    box.exec();
}

} // namespace quorvane
