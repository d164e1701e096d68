#pragma once
// The element table of the dialog builder: skin element name -> creator of a new control. The core
// knows only the control base; the control library registers its classes once at start
// (RegisterStandardControls), before the first skin is built. UI thread only.
#include <windows.h>

namespace SkinUI {

class CControlUI;

using ControlCreator = CControlUI* (*)();

class CControlFactory {
public:
    // A later registration of the same name replaces the earlier one.
    static void Register(LPCWSTR pstrElement, ControlCreator creator);
    // A new control for the element name (compared case-sensitively), or null for an unknown name.
    static CControlUI* Create(LPCWSTR pstrElement);
};

}  // namespace SkinUI
