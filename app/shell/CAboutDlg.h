#pragma once
// Dialog 100: the product line (1074) "Velto Quillon", the title "<product line>のパージョン
// 情報" as designed, the product (1077) and file (1079) versions "2.1".

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 100, IDC_PRODUCT = 1074, IDC_PRODUCT_VERSION = 1077, IDC_FILE_VERSION = 1079 };
    explicit CAboutDlg(QWidget* parent);
};
