#pragma once
// Embedded browser views (the map page) in the programs' windows. The browser engine is loaded
// when a view first shows a page; started by the administrator it must run without its
// sandbox, which refuses that user. Main thread only.

namespace platform {

// Before the application object is made.
void EnableControlContainer();

}  // namespace platform
