#pragma once

#include "engine/formulas_and_modes.h"

#include <QString>

namespace quorvane {

// The main window's controls seen from the engine: the boxes and check boxes
// are the settings store, read at the moment they are needed. Controls are
// named by their object names, arrays with their index: "TextVal(1)".
class Panel {
public:
    virtual ~Panel() = default;

    virtual QString text(const QString& box) const = 0;
    virtual void setText(const QString& box, const QString& text) = 0;
    virtual int checkValue(const QString& checkBox) const = 0; // 0 or 1

    // Marks a box whose text the engine cannot use as a number; cleared
    // again once it holds a usable number.
    virtual void setInvalidMark(const QString& box, bool invalid) = 0;
    // The red background of TextVal(0) when the Wondrousness run meets 63.
    virtual void setRedMark(const QString& box) = 0;
    // Bold caption of the formula's frame while that formula runs.
    virtual void setFormulaBold(Formula formula, bool bold) = 0;
    // Moves the patch selector; its selection handling sends the change.
    virtual void selectPatch(int index) = 0;
    // Moves the patch selector to a programme the output already has, and
    // remembers it as the channel's, without sending it.
    virtual void followPatch(int index) = 0;
    // A modal message under the program's title.
    virtual void showMessage(const QString& text) = 0;
};

} // namespace quorvane
