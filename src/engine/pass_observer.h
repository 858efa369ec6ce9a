#pragma once

#include "engine/formulas_and_modes.h"
#include "midi/play_observer.h"

namespace quorvane {

// Watches the numbers each pass of a formula computes, on the user-interface
// thread: the number before the modulo fold and what the fold left of it.
// The live monitor plots them.
class PassObserver {
public:
    virtual ~PassObserver() = default;
    virtual void passComputed(Formula formula, double computed, double folded) = 0;
};

// The pass observers of one program behind one, which the composer reports to.
class PassObservers : public PassObserver {
public:
    void add(PassObserver* observer) { list_.add(observer); }
    void remove(PassObserver* observer) { list_.remove(observer); }
    bool listened() const { return list_.any(); }

    void passComputed(Formula formula, double computed, double folded) override
    {
        list_.forEach([&](PassObserver* o) { o->passComputed(formula, computed, folded); });
    }

private:
    ObserverList<PassObserver> list_;
};

} // namespace quorvane
