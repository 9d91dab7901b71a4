#pragma once

namespace corvid::window::qt {

// Qt's X11 connection sends the window's pictures to the display over the
// connection itself rather than through shared memory. Call it before the
// QApplication is made, which reads the choice as it connects, and before
// any other thread starts, since the choice is an environment variable. A
// choice the user has made in the environment stands.
//
// Through shared memory, Qt must wait for the X server to finish reading a
// picture before it draws again where that picture lay: a round trip to the
// server and a wake-up of Qt's event thread at every redraw. The player
// redraws the same few characters once a second for as long as it plays, so
// it paid for that wait every second. A redraw of a few hundred pixels sent
// over the connection needs no wait; the one large picture, the first paint
// of the whole window, costs a copy of under a megabyte.
void SendPicturesOverTheConnection();

}  // namespace corvid::window::qt
