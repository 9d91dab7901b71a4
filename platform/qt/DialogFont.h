#pragma once

#include <QFont>
#include <QStringList>

namespace corvid::window::qt {

// The faces a dialog with a font of its own may show, the most wanted first:
// sans faces as narrow as the reference font, so that the template's texts fit
// their controls, then `desktopFace`.
QStringList DialogFontFaces(const QString& desktopFace);

// The font of such a dialog: the first of those faces that this machine has,
// alone, at the template's size, otherwise as `desktopFont` is.
//
// One face rather than the list: given a list, Qt looks up the fallback faces
// for every weight and slant that it loads, each lookup a sort of all the
// installed fonts, before any text needs one. Given one face, it looks them
// up only when a text holds a character that the face lacks, and it finds
// faces for such characters all the same.
QFont DialogFont(const QFont& desktopFont);

}  // namespace corvid::window::qt
