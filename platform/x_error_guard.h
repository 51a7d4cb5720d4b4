// Keeps a message that SDL sends to its own window over a second X connection
// from ending the process when it arrives after the window closed.
#pragma once

void Guard_Against_Late_X_Messages();
