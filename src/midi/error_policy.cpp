#include "midi/error_policy.h"

namespace quorvane {

bool ErrorPolicy::tell(const MidiFailure& failure)
{
    const int code = failure.code();
    if (isQuietMidiError(code))
        return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (failure.lasting())
        return lastingTold_.insert(code).second;
    bool* told = code == MidiErrorCode::NoMidiSystem ? &missingTold_
                 : code == MidiErrorCode::DeviceLost ? &lossTold_
                                                     : nullptr;
    if (!told)
        return true;
    const bool first = !*told;
    *told = true;
    return first;
}

void ErrorPolicy::rearm()
{
    std::lock_guard<std::mutex> lock(mutex_);
    missingTold_ = false;
    lossTold_ = false;
}

} // namespace quorvane
