#pragma once
// A list box that is command-aware but answers no command: every routed item is greyed
// while it has the focus. The program derives its own lists from it.

#include "command/CUpdateCommandItem.h"

#include <QListWidget>

class CStandardListBox : public QListWidget, public CUpdateCommandItem {
    Q_OBJECT
public:
    explicit CStandardListBox(QWidget* parent = nullptr);
};
