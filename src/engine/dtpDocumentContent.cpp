// The drawing a document holds, exchanged as a whole with one parked aside: opening a file works on
// an emptied document and puts the previous drawing back when the opening fails.

#include <utility>

#include "engine/dtpDocumentContent.h"

namespace kivrano {

void TdtpDocument::SwapContent(TdtpDocumentContent& c) {
  using std::swap;
  swap(pages_, c.pages);
  swap(currentPageIndex_, c.currentPageIndex);
  swap(focusedShape_, c.focusedShape);
  swap(undoList_, c.undoList);
  swap(redoList_, c.redoList);
  swap(archive_, c.archive);
  swap(modified_, c.modified);
  swap(allowKeyInput_, c.allowKeyInput);
  swap(archiveDirect_, c.archiveDirect);
  swap(autoPageUpdate_, c.autoPageUpdate);
  swap(autoWidth_, c.autoWidth);
  swap(defaultGridColor_, c.defaultGridColor);
  swap(defaultGridSize_, c.defaultGridSize);
  swap(defaultMarginBottom_, c.defaultMarginBottom);
  swap(defaultMarginLeft_, c.defaultMarginLeft);
  swap(defaultMarginRight_, c.defaultMarginRight);
  swap(defaultMarginTop_, c.defaultMarginTop);
  swap(defaultPageColor_, c.defaultPageColor);
  swap(defaultPageHeight_, c.defaultPageHeight);
  swap(defaultPageWidth_, c.defaultPageWidth);
  swap(handleColor_, c.handleColor);
  swap(handleEdgeColor_, c.handleEdgeColor);
  swap(helperMethod_, c.helperMethod);
  swap(hotZoneScrolling_, c.hotZoneScrolling);
  swap(mode_, c.mode);
  swap(multiSelectMethod_, c.multiSelectMethod);
  swap(printQuality_, c.printQuality);
  swap(quality_, c.quality);
  swap(readOnly_, c.readOnly);
  swap(renderAtScreenRes_, c.renderAtScreenRes);
  swap(showMargins_, c.showMargins);
  swap(snapToGrid_, c.snapToGrid);
  swap(stepAngle_, c.stepAngle);
  swap(storeThumbnails_, c.storeThumbnails);
  swap(thumbnailHeight_, c.thumbnailHeight);
  swap(thumbnailWidth_, c.thumbnailWidth);
  swap(undoSwitch_, c.undoSwitch);
  swap(undoPastSave_, c.undoPastSave);
  swap(viewStyle_, c.viewStyle);
  swap(zoomPercent_, c.zoomPercent);
  swap(defaultBackgroundTiled_, c.defaultBackgroundTiled);
  swap(defaultBackgroundImage_, c.defaultBackgroundImage);
  swap(renderDpm_, c.renderDpm);
  swap(screenDpm_, c.screenDpm);
}

void TdtpDocument::RehookCurrentPage() {
  if (TdtpPage* current = CurrentPage()) current->OnBoundsChanged = [this](TdtpShape*) { UpdateExtent(); };
  UpdateExtent();
  Invalidate();
}

}  // namespace kivrano
