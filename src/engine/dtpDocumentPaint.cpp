// The view's screen painting: the window surface, the page and the desk, selection frames, the
// rendering of a page into any canvas and the automatic thumbnail refresh.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "engine/dtpPageRenderState.h"
#include "platform/Canvas.h"
#include "raster/Bitmap32.h"

namespace kivrano {

namespace {

// Moves the surface's pixels by (dx, dy); what is uncovered keeps its old pixels until repainted.
void MovePixels(TBitmap32& surface, int dx, int dy) {
  const int w = surface.Width();
  const int h = surface.Height();
  if (surface.Empty() || std::abs(dx) >= w || std::abs(dy) >= h) return;
  const int width = w - std::abs(dx);
  const int fromX = std::max(-dx, 0);
  const int toX = std::max(dx, 0);
  auto moveRow = [&](int y) {
    std::memmove(surface.PixelPtr(toX, y + dy), surface.PixelPtr(fromX, y), static_cast<size_t>(width) * sizeof(TColor32));
  };
  // Rows are visited so that none is overwritten before it has moved.
  if (dy > 0) {
    for (int y = h - 1 - dy; y >= 0; --y) moveRow(y);
  } else {
    for (int y = -dy; y < h; ++y) moveRow(y);
  }
  surface.Changed();
}

}  // namespace

void TdtpDocument::Paint(const TRect& clip) {
  if (IsPrinting()) return;
  TRect area = clip;
  if (windowSurface_.Width() != ClientWidth() || windowSurface_.Height() != ClientHeight()) {
    // A new surface has no old content to keep: all of it is painted.
    windowSurface_.SetSize(ClientWidth(), ClientHeight());
    area = TRect{0, 0, ClientWidth(), ClientHeight()};
  }
  TCanvas canvas(windowSurface_);
  canvas.SetClipRect(area);
  PaintPage(canvas);
  DrawSelections(canvas);
  RedrawOverlay(canvas);
}

void TdtpDocument::ScrollWindowContent(int dx, int dy) {
  MovePixels(windowSurface_, dx, dy);
  TVirtScrollBox::ScrollWindowContent(dx, dy);
}

void TdtpDocument::PaintPage(TCanvas& canvas) {
  directPainting_ = false;
  bool painted = false;
  TdtpPage* page = CurrentPage();
  if (page && page->Visible()) painted = page->PaintTo(canvas);
  if (!painted) FillDesk(canvas);
  if (Host() && Host()->CurrentCursor() == crAppStart) ShowCursor(Cursor());
}

void TdtpDocument::FillDesk(TCanvas& canvas) {
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(Color());
  canvas.FillRect(canvas.ClipRect());
}

void TdtpDocument::DrawSelections(TCanvas& canvas) {
  if (readOnly_) return;
  TdtpPage* page = CurrentPage();
  if (!page) return;
  for (int i = 0; i < page->GetShapeCount(); ++i) {
    TdtpShape* shape = page->GetShape(i);
    if (shape->Selected() && shape->IsSelectable()) shape->DrawSelection(canvas);
  }
  if (editedShape_ && !editedShape_->Selected()) editedShape_->DrawSelection(canvas);
}

void TdtpDocument::RenderPageToCanvas(TdtpPage* page, TCanvas& canvas, const TRect& r, float d, bool fit) {
  if (!page) return;
  page->EnsureLoaded();
  if (page->Document() != this) return;
  WithPageRenderState(*this, *page, [&] {
    if (renderDpm_ > d) SetRenderDpm(d);
    SetScreenDpm(renderDpm_);
    const int w = RoundToInt(screenDpm_ * page->DocWidth());
    const int h = RoundToInt(screenDpm_ * page->DocHeight());
    TRect destination{r.Left, r.Top, r.Left + w, r.Top + h};
    if (fit && w > 0 && h > 0) {
      const float g = std::min(static_cast<float>(r.Height()) / static_cast<float>(h),
                               static_cast<float>(r.Width()) / static_cast<float>(w));
      const int dw = RoundToInt(static_cast<float>(w) * g);
      const int dh = RoundToInt(static_cast<float>(h) * g);
      destination.Left = r.Left + (r.Width() - dw) / 2;
      destination.Top = r.Top + (r.Height() - dh) / 2;
      destination.Right = destination.Left + dw;
      destination.Bottom = destination.Top + dh;
    }
    viewLeft_ = page->DocLeft();
    viewTop_ = page->DocTop();

    TBitmap32 image;
    if (!(w > 0 && h > 0 && image.SetSize(w, h))) return;
    {
      TCanvas imageCanvas(image);
      directPainting_ = true;
      page->PaintTo(imageCanvas);
      directPainting_ = false;
    }
    const int64_t destinationPixels = static_cast<int64_t>(destination.Width()) * destination.Height();
    if (destinationPixels < static_cast<int64_t>(w) * h) {
      if (destination.Width() > 0 && destination.Height() > 0) {
        TBitmap32 reduced;
        reduced.SetSize(destination.Width(), destination.Height());
        image.SetStretchFilter(sfLinear);
        reduced.Draw(TRect{0, 0, destination.Width(), destination.Height()}, image);
        canvas.Draw(destination.Left, destination.Top, reduced);
      }
    } else {
      canvas.StretchDraw(destination, image);
    }
  });
}

void TdtpDocument::UpdateDirtyThumbnails() {
  if (Now() - lastChangeTime_ < static_cast<uint32_t>(autoThumbnailDelay_)) return;
  for (int i = 0; i < PageCount(); ++i) {
    TdtpPage* page = Pages(i);
    if (!page->ThumbnailDirty()) continue;
    page->UpdateThumbnail();
    if (Host()) Host()->ProcessMessages();
  }
}

}  // namespace kivrano
