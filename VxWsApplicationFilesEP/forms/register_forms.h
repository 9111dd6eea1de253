#pragma once
// Fills the right pane's three slots (page_form.h) with the attribute forms. The module does
// this when it is loaded, before any page is shown.

namespace vx {

void RegisterAttributeForms();

} // namespace vx
