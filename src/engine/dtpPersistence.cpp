// XML persistence of the shape base and of pages, undo records of removed children.

#include <algorithm>
#include <cmath>
#include <strings.h>

#include "base/Exception.h"
#include "engine/ShapeRegistry.h"
#include "engine/dtpCommand.h"
#include "engine/dtpDocument.h"
#include "engine/dtpPage.h"
#include "raster/Bitmap32.h"
#include "storage/XmlBitmaps.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

namespace {

struct AnchorName {
  TdtpAnchor Flag;
  const char* Name;
};
constexpr AnchorName kAnchorNames[] = {
    {DefaultAnchor, "default"}, {PosXProp, "PosXProp"}, {PosYProp, "PosYProp"},
    {SizeXProp, "SizeXProp"},   {SizeYProp, "SizeYProp"}, {LeftLock, "LeftLock"},
    {TopLock, "TopLock"},       {RightLock, "RightLock"}, {BottomLock, "BottomLock"},
};

// Stored floats become single precision; what is no finite single reads as the default.
float ReadFloat(const TXmlNode& node, const char* name, float defaultValue) {
  const double v = node.GetFloat(name, defaultValue);
  if (!std::isfinite(v) || std::fabs(v) > 3.0e38) return defaultValue;
  return static_cast<float>(v);
}

void WriteFloat(TXmlNode& node, const char* name, float value, float defaultValue) {
  node.PutFloat(name, static_cast<double>(value), static_cast<double>(defaultValue));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shape base

void TdtpShape::SaveToXml(TXmlNode* node) {
  if (!node) return;
  node->PutString("ClassName", ClassName(), "");
  node->PutBool("AllowResize", allowResize_, false);
  node->PutBool("AllowRotate", allowRotate_, false);
  node->PutBool("AllowSelect", allowSelect_, false);
  TXmlNode* anchors = node->NewChild("Anchors");
  for (const AnchorName& a : kAnchorNames) anchors->PutBool(a.Name, HasAnchor(anchors_, a.Flag), false);
  WriteFloat(*node, "AspectRatio", aspectRatio_, 0);
  WriteFloat(*node, "CurbLeft", curbLeft_, 0);
  WriteFloat(*node, "CurbTop", curbTop_, 0);
  WriteFloat(*node, "CurbRight", curbRight_, 0);
  WriteFloat(*node, "CurbBottom", curbBottom_, 0);
  WriteFloat(*node, "ConstraintMinHeight", constraints_->MinHeight(), 0);
  WriteFloat(*node, "ConstraintMinWidth", constraints_->MinWidth(), 0);
  WriteFloat(*node, "ConstraintMaxHeight", constraints_->MaxHeight(), 0);
  WriteFloat(*node, "ConstraintMaxWidth", constraints_->MaxWidth(), 0);
  WriteFloat(*node, "DocAngle", docAngle_, 0);
  WriteFloat(*node, "DocLeft", docLeft_, 0);
  WriteFloat(*node, "DocTop", docTop_, 0);
  WriteFloat(*node, "DocHeight", docHeight_, 0);
  WriteFloat(*node, "DocWidth", docWidth_, 0);
  node->PutBool("Flipped", flipped_, false);
  node->PutBool("Mirrored", mirrored_, false);
  node->PutString("Name", name_, "");
  node->PutBool("Grouped", grouped_, false);
  node->PutBool("PreserveAspect", preserveAspect_, false);
  node->PutBool("SmartHitTest", smartHitTest_, false);
  node->PutBool("Visible", visible_, false);
  node->PutHex("MasterAlpha", masterAlpha_, 0, 2);
  for (size_t i = 0; i < children_.size(); ++i) {
    TXmlNode* element = node->NewChild("Shape");
    element->AddAttributeInt("Index", static_cast<int>(i) + 1);
    children_[i]->SaveToXml(element);
  }
  if (document_ && document_->OnShapeSaveAdditionalInfo) document_->OnShapeSaveAdditionalInfo(document_, this, node);
}

void TdtpShape::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  allowResize_ = node->GetBool("AllowResize", false);
  allowRotate_ = node->GetBool("AllowRotate", false);
  allowSelect_ = node->GetBool("AllowSelect", false);
  if (const TXmlNode* anchors = node->FindChild("Anchors")) {
    anchors_ = 0;
    for (const AnchorName& a : kAnchorNames) {
      if (anchors->GetBool(a.Name, false)) anchors_ |= AnchorBit(a.Flag);
    }
  }
  aspectRatio_ = ReadFloat(*node, "AspectRatio", 0);
  StoreCurbs(ReadFloat(*node, "CurbLeft", 0), ReadFloat(*node, "CurbTop", 0), ReadFloat(*node, "CurbRight", 0),
             ReadFloat(*node, "CurbBottom", 0));
  constraints_->SetMinHeight(ReadFloat(*node, "ConstraintMinHeight", 0));
  constraints_->SetMinWidth(ReadFloat(*node, "ConstraintMinWidth", 0));
  constraints_->SetMaxHeight(ReadFloat(*node, "ConstraintMaxHeight", 0));
  constraints_->SetMaxWidth(ReadFloat(*node, "ConstraintMaxWidth", 0));
  StoreAngle(ReadFloat(*node, "DocAngle", 0));
  StoreBounds(ReadFloat(*node, "DocLeft", 0), ReadFloat(*node, "DocTop", 0), ReadFloat(*node, "DocWidth", 0),
              ReadFloat(*node, "DocHeight", 0));
  flipped_ = node->GetBool("Flipped", false);
  mirrored_ = node->GetBool("Mirrored", false);
  name_ = node->GetString("Name", "");
  grouped_ = node->GetBool("Grouped", false);
  preserveAspect_ = node->GetBool("PreserveAspect", false);
  smartHitTest_ = node->GetBool("SmartHitTest", false);
  visible_ = node->GetBool("Visible", false);
  // An opacity outside a byte is no opacity at all: keep it in range.
  masterAlpha_ = std::clamp(node->GetInteger("MasterAlpha", 0), 0, 255);
  for (int i = 0; i < node->ChildCount(); ++i) {
    TXmlNode* element = node->Children(i);
    if (element->Kind() != xnElement && element->Kind() != xnEmptyElement) continue;
    if (strcasecmp(element->Name().c_str(), "Shape") != 0) continue;
    std::unique_ptr<TdtpShape> child = FindShapeClass(element->GetString("ClassName", "")).Create();
    TdtpShape* added = child.get();
    AddShape(std::move(child));
    try {
      added->LoadFromXml(element);
    } catch (const EResourceError&) {
      // A picture that cannot be read costs only its own shape.
      DeleteShape(GetShapeCount() - 1);
    }
  }
  if (document_ && document_->OnShapeLoadAdditionalInfo) document_->OnShapeLoadAdditionalInfo(document_, this, node);
  Refresh();
}

void TdtpShape::SaveToStream(TStream& stream) {
  TXmlDocument xml("Shape");
  SaveToXml(xml.Root());
  xml.SaveToStream(stream);
}

void TdtpShape::Assign(TdtpShape& source) {
  if (&source == this) return;
  Clear();
  TXmlDocument xml("Shape");
  source.SaveToXml(xml.Root());
  LoadFromXml(xml.Root());
}

void TdtpShape::RecordUndoShape(uint8_t kind, TdtpShape* child) {
  if (kind != ckChildRemoved || !child || !document_) return;
  const bool toUndo = document_->UndoEnabled();
  if (!toUndo && !document_->ExecutingUndo()) return;
  auto data = std::make_unique<TMemoryStream>();
  data->WriteInt32(IndexOfShape(child));
  data->WriteInt32(child->ShapeID());
  child->SaveToStream(*data);
  auto command = std::make_unique<TdtpCommand>(kind, std::move(data), child->ClassName(), "ClassName", shapeId_);
  if (toUndo) {
    document_->AddUndoCommand(std::move(command));
  } else {
    document_->AddRedoCommand(std::move(command));
  }
}

void TdtpShape::RestoreChild(const TdtpCommand& command) {
  TMemoryStream* data = command.Data();
  if (!data) return;
  data->SetPosition(0);
  const int32_t index = data->ReadInt32();
  const int32_t id = data->ReadInt32();
  std::unique_ptr<TdtpShape> child = FindShapeClass(command.Value()).Create();
  TXmlDocument xml;
  xml.LoadFromStream(*data);
  child->LoadFromXml(xml.Root());
  TdtpShape* restored = child.get();
  // Later edits may have shortened the list: the child then goes to its end.
  InsertShape(std::clamp(index, 0, GetShapeCount()), std::move(child));
  restored->SetShapeID(id);
}

// ---------------------------------------------------------------------------------------------
// Page

void TdtpPage::SaveToXml(TXmlNode* node) {
  if (!node) return;
  EnsureLoaded();
  node->PutBool("IsDefaultPage", isDefaultPage_, true);
  if (!isDefaultPage_) {
    WriteFloat(*node, "MarginLeft", marginLeft_, 0);
    WriteFloat(*node, "MarginTop", marginTop_, 0);
    WriteFloat(*node, "MarginRight", marginRight_, 0);
    WriteFloat(*node, "MarginBottom", marginBottom_, 0);
    WriteFloat(*node, "GridSize", gridSize_, 0);
    node->PutColor("GridColor", gridColor_, 0);
    node->PutColor("PageColor", pageColor_, clWhite);
    WriteFloat(*node, "PageWidth", DocWidth(), 0);
    WriteFloat(*node, "PageHeight", DocHeight(), 0);
    WriteBitmap32Node(node, "BackgroundImage", backgroundImage_.get());
    node->PutBool("BackgroundTiled", backgroundTiled_, false);
  }
  TdtpShape::SaveToXml(node);
}

void TdtpPage::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  isDefaultPage_ = node->GetBool("IsDefaultPage", true);
  if (!isDefaultPage_) {
    marginLeft_ = ReadFloat(*node, "MarginLeft", 0);
    marginTop_ = ReadFloat(*node, "MarginTop", 0);
    marginRight_ = ReadFloat(*node, "MarginRight", 0);
    marginBottom_ = ReadFloat(*node, "MarginBottom", 0);
    gridSize_ = ReadFloat(*node, "GridSize", 0);
    gridColor_ = node->GetColor("GridColor", 0);
    pageColor_ = node->GetColor("PageColor", clWhite);
    SetDocWidth(ReadFloat(*node, "PageWidth", 0));
    SetDocHeight(ReadFloat(*node, "PageHeight", 0));
    ReadBitmap32Node(node, "BackgroundImage", backgroundImage_);
    backgroundTiled_ = node->GetBool("BackgroundTiled", false);
  }
  TdtpShape::LoadFromXml(node);
  thumbnailDirty_ = false;
}

}  // namespace kivrano
