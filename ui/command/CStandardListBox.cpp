#include "command/CStandardListBox.h"

CStandardListBox::CStandardListBox(QWidget* parent) : QListWidget(parent)
{
}
