#pragma once
// Dialog 183 "ページ順の変更": the page captions in the current order (list 1140, the first
// selected); "前へ" (1055) and "後へ" (1056) move the selected entry one place; OK gives the
// captions in their new order.

#include <QDialog>
#include <QStringList>

class QListWidget;

class CPageOrderDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 183, IDC_LIST = 1140, IDC_UP = 1055, IDC_DOWN = 1056 };

    CPageOrderDlg(const QStringList& captions, QWidget* parent);

    QStringList GetCaptions() const;
    void OnUp();
    void OnDown();
    QListWidget* GetList() const { return m_list; }

private:
    void Move(int delta);
    QListWidget* m_list;
};
