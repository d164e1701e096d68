#pragma once
// Lets an application create controls for skin elements that the element table does not know.
// Called by the dialog builder on the UI thread.
#include <windows.h>

namespace SkinUI {

class CControlUI;

class IDialogBuilderCallback {
public:
    // A new control for the element name, or null to skip the element and its children.
    virtual CControlUI* CreateControl(LPCWSTR pstrClass) = 0;

protected:
    ~IDialogBuilderCallback() = default;
};

}  // namespace SkinUI
