// The paper weight page (ViewId 4): the weight of each of the fifteen paper types.
#pragma once

#include "pages/paper_column_view.h"

class CPaperWeightView : public CPaperColumnView {
    Q_OBJECT
public:
    explicit CPaperWeightView(CPrinterDoc* doc, QWidget* parent = nullptr);
};
