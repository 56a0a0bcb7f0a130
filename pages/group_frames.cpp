#include "pages/group_frames.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QWidget>

namespace pages {

void FrameCaptionsOnTheLine(QWidget* form) {
    if (!form) return;
    // The frame starts half a caption line below the box's top edge; the caption is painted
    // over the line on the form's own colour.
    const int half = QFontMetrics(form->font()).height() / 2;
    const QString sheet = QStringLiteral(
                              "QGroupBox { border: 1px solid palette(mid); border-radius: 0px; margin-top: %1px; }"
                              "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
                              " left: %2px; top: 0px; padding: 0px 2px; background-color: palette(base); }")
                              .arg(half)
                              .arg(half);
    for (QGroupBox* box : form->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) box->setStyleSheet(sheet);
}

}  // namespace pages
