// The paper texture page (ViewId 3): the texture of each of the fifteen paper types.
#pragma once

#include "pages/paper_column_view.h"

class CPaperTextureView : public CPaperColumnView {
    Q_OBJECT
public:
    explicit CPaperTextureView(CPrinterDoc* doc, QWidget* parent = nullptr);
};
