// RegisterStandardControls: element name -> class, for every control class of this library.
#include "ui/controls/StandardControls.h"

#include "ui/controls/ButtonUI.h"
#include "ui/controls/CheckBoxUI.h"
#include "ui/controls/ContainerUI.h"
#include "ui/controls/EditUI.h"
#include "ui/controls/HorizontalLayoutUI.h"
#include "ui/controls/LabelUI.h"
#include "ui/controls/OptionUI.h"
#include "ui/controls/ProgressUI.h"
#include "ui/controls/ScrollBarUI.h"
#include "ui/controls/TabLayoutUI.h"
#include "ui/controls/VerticalLayoutUI.h"
#include "ui/core/ControlFactory.h"
#include "ui/core/ControlUI.h"

namespace SkinUI {

namespace {

template <class T>
CControlUI* Make() {
    return new T;
}

}  // namespace

void RegisterStandardControls() {
    CControlFactory::Register(L"Control", &Make<CControlUI>);
    CControlFactory::Register(L"Container", &Make<CContainerUI>);
    CControlFactory::Register(L"VerticalLayout", &Make<CVerticalLayoutUI>);
    CControlFactory::Register(L"HorizontalLayout", &Make<CHorizontalLayoutUI>);
    CControlFactory::Register(L"TabLayout", &Make<CTabLayoutUI>);
    CControlFactory::Register(L"ScrollBar", &Make<CScrollBarUI>);
    CControlFactory::Register(L"Label", &Make<CLabelUI>);
    CControlFactory::Register(L"Button", &Make<CButtonUI>);
    CControlFactory::Register(L"Option", &Make<COptionUI>);
    CControlFactory::Register(L"CheckBox", &Make<CCheckBoxUI>);
    CControlFactory::Register(L"Progress", &Make<CProgressUI>);
    CControlFactory::Register(L"Edit", &Make<CEditUI>);
}

}  // namespace SkinUI
