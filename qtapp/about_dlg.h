// "설정 유틸리티 버전 정보": the about box (template 100).
#pragma once

#include "qtapp/template_dialog.h"

class CAboutDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr) : CTemplateDialog(res::IDD_ABOUTBOX, parent) {}
};
