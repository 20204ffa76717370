#pragma once
// Icon 128, the program's icon: an envelope with a quill, drawn at every size the window
// system asks for.

#include <QIcon>

QIcon ProgramIcon();
