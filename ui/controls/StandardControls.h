#pragma once
// Fills the dialog builder's element table with every control class of this library ("Control",
// "VerticalLayout", "Button", ...). Call once on the UI thread before the first skin is built.
namespace SkinUI {

void RegisterStandardControls();

}  // namespace SkinUI
