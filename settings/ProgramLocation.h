#pragma once

#include <QString>

// The running executable's full path: the application object's answer when there is
// one, else the kernel's link to it, else "".
QString programExecutablePath();
