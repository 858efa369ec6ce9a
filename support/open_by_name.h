#pragma once

#include <QString>

// Opens a MIDI component (output or input) on the device of that name, as a
// user picks it from the list: true when it is open.
template <class Component>
bool openByName(Component& component, const QString& name)
{
    const int count = component.deviceCount();
    for (int d = 0; d < count; ++d) {
        component.setDeviceNumber(d);
        if (component.deviceName() == name) {
            component.setAction(Component::Open);
            return component.openState() == 1;
        }
    }
    return false;
}
