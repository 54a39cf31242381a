#pragma once
// The settings tool's pictures, built into the program and looked up by bitmap id.
// GUI thread only.

#include <QPixmap>

namespace settings {

// A null pixmap when the id has no picture. Pictures are kept while the application lives.
QPixmap LoadBitmap(int id);

}  // namespace settings
