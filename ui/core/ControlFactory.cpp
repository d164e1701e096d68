// CControlFactory: the process-wide element table.
#include "ui/core/ControlFactory.h"

#include <map>
#include <string>

namespace SkinUI {

namespace {

std::map<std::wstring, ControlCreator>& Table() {
    static std::map<std::wstring, ControlCreator> table;
    return table;
}

}  // namespace

void CControlFactory::Register(LPCWSTR pstrElement, ControlCreator creator) {
    if (pstrElement == nullptr || creator == nullptr)
        return;
    Table()[pstrElement] = creator;
}

CControlUI* CControlFactory::Create(LPCWSTR pstrElement) {
    if (pstrElement == nullptr)
        return nullptr;
    const auto found = Table().find(pstrElement);
    return found != Table().end() ? found->second() : nullptr;
}

}  // namespace SkinUI
