#pragma once

#include <memory>
#include <vector>

#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"

namespace kivrano {

// Everything opening a file replaces. The values of a new content are only placeholders: a
// document that receives it is reset to its defaults straight away.
struct TdtpDocumentContent {
  std::vector<std::unique_ptr<TdtpPage>> pages;
  int currentPageIndex = -1;
  TdtpShape* focusedShape = nullptr;
  TdtpCommandList undoList, redoList;
  std::unique_ptr<TSingleStorage> archive;
  bool modified = false;

  bool allowKeyInput = true, archiveDirect = false, autoPageUpdate = false, autoWidth = true;
  TColor defaultGridColor = clLightCyan;
  float defaultGridSize = 5;
  float defaultMarginBottom = 10, defaultMarginLeft = 10, defaultMarginRight = 10, defaultMarginTop = 10;
  TColor defaultPageColor = clWhite;
  float defaultPageHeight = 297, defaultPageWidth = 210;
  TColor handleColor = clWhite, handleEdgeColor = clBlack;
  TdtpHelperMethodtype helperMethod = hmNone;
  TdtpHZScrollingType hotZoneScrolling = hzsNoScroll;
  TdtpViewerModeType mode = vmEdit;
  TMultiSelectMethodType multiSelectMethod = msmSimple;
  TPrintQualityType printQuality = pqLow;
  TStretchFilter quality = sfLinear2;
  bool readOnly = false, renderAtScreenRes = false, showMargins = true, snapToGrid = false;
  float stepAngle = 0;
  bool storeThumbnails = true;
  int thumbnailHeight = 60, thumbnailWidth = 80;
  bool undoSwitch = true, undoPastSave = false;
  TdtpViewStyleType viewStyle = vsPrintLayout;
  float zoomPercent = 100;
  bool defaultBackgroundTiled = false;
  std::unique_ptr<TBitmap32> defaultBackgroundImage;
  float renderDpm = kDefaultDpm, screenDpm = kDefaultDpm;
};

}  // namespace kivrano
