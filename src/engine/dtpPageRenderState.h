#pragma once

// The view state a page render off screen (printing, picture export, thumbnails) borrows from the
// document and gives back: the page's angle, the scroll position, both resolutions, the stretch
// quality and the modified flags. While it is held the document is printing, so the view neither
// paints nor reacts to the borrowed resolutions.

#include "raster/Bitmap32.h"

namespace kivrano {

class TdtpDocument;
class TdtpPage;

class TPageRenderState {
 public:
  // Saves the state, enters printing and turns the page upright (without an undo record).
  TPageRenderState(TdtpDocument& document, TdtpPage& page);
  // Gives everything back, also after a failed render: callers call Restore on every path.
  void Restore();

 private:
  TdtpDocument& document_;
  TdtpPage& page_;
  float angle_ = 0;
  float viewLeft_ = 0;
  float viewTop_ = 0;
  float screenDpm_ = 0;
  float renderDpm_ = 0;
  TStretchFilter quality_ = sfLinear;
  bool pageModified_ = false;
  bool documentModified_ = false;
};

// Runs render with the page's view state borrowed and restores it however render ends.
template <typename Render>
void WithPageRenderState(TdtpDocument& document, TdtpPage& page, Render&& render) {
  TPageRenderState state(document, page);
  try {
    render();
  } catch (...) {
    state.Restore();
    throw;
  }
  state.Restore();
}

}  // namespace kivrano
