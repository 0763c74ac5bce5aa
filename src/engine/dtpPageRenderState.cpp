#include "engine/dtpPageRenderState.h"

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"

namespace kivrano {

TPageRenderState::TPageRenderState(TdtpDocument& document, TdtpPage& page) : document_(document), page_(page) {
  document_.BeginPrinting();
  angle_ = page_.DocAngle();
  viewLeft_ = document_.viewLeft_;
  viewTop_ = document_.viewTop_;
  screenDpm_ = document_.screenDpm_;
  renderDpm_ = document_.renderDpm_;
  quality_ = document_.quality_;
  pageModified_ = page_.Modified();
  documentModified_ = document_.Modified();
  // Caches of a page other than the current one may have been made at another resolution, and
  // the resolution changes of a render free only the current page's.
  if (&page_ != document_.CurrentPage()) page_.FreeCaches();
  document_.LockUndo();
  page_.SetDocAngle(0);
  document_.UnlockUndo();
}

void TPageRenderState::Restore() {
  document_.directPainting_ = false;
  document_.LockUndo();
  page_.SetDocAngle(angle_);
  document_.UnlockUndo();
  // Turning a page upright for a render and back is no change of the drawing.
  if (!pageModified_) page_.SetModified(false);
  if (!documentModified_) document_.SetModified(false);
  document_.viewLeft_ = viewLeft_;
  document_.viewTop_ = viewTop_;
  document_.SetScreenDpm(screenDpm_);
  document_.SetRenderDpm(renderDpm_);
  document_.SetQuality(quality_);
  // Caches made at a borrowed resolution are not kept for a page the view does not show.
  if (&page_ != document_.CurrentPage()) page_.FreeCaches();
  document_.EndPrinting();
  page_.Invalidate();
}

}  // namespace kivrano
