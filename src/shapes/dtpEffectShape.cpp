#include "shapes/dtpEffectShape.h"

#include <algorithm>

#include "raster/Bitmap32.h"
#include "shapes/dtpColorEffects.h"
#include "shapes/dtpShadowEffects.h"
#include "shapes/dtpShapeXml.h"
#include "storage/XmlDocuments.h"

namespace kivrano {

// ---------------------------------------------------------------------------------------------
// Effect base

void TdtpEffect::Invalidate() {
  if (shape_) shape_->Invalidate();
}

void TdtpEffect::Apply(TBitmap32& /*image*/) {}

void TdtpEffect::Changed() {
  if (shape_) shape_->RefreshCache();
}

std::string TdtpEffect::GetDisplayName() const {
  const std::string name = ClassName();
  if (name.size() <= 10) return {};
  return name.substr(4, name.size() - 10);
}

void TdtpEffect::SaveToXml(TXmlNode* node) {
  if (!node) return;
  node->PutString("ClassName", ClassName(), "");
  node->PutBool("Enabled", enabled_, false);
  node->PutInteger("Source", source_, -2);
}

void TdtpEffect::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  enabled_ = node->GetBool("Enabled", false);
  source_ = node->GetInteger("Source", -2);
}

// ---------------------------------------------------------------------------------------------
// Effect class registry

namespace {

template <typename T>
TEffectClassHolder HolderOf(bool listed) {
  return {T().ClassName(), []() -> std::unique_ptr<TdtpEffect> { return std::make_unique<T>(); }, listed};
}

std::vector<TEffectClassHolder>& EffectRegistry() {
  static std::vector<TEffectClassHolder> registry{HolderOf<TdtpEffect>(false), HolderOf<TdtpBrightContrEffect>(true),
                                                  HolderOf<TdtpHSLAdjustEffect>(true), HolderOf<TdtpShadowEffect>(true)};
  return registry;
}

}  // namespace

void RegisterEffectClass(const std::string& name, TdtpEffectFactory create, bool listed) {
  if (!create) return;
  auto& registry = EffectRegistry();
  for (const TEffectClassHolder& holder : registry) {
    if (holder.Name == name) return;
  }
  registry.push_back({name, create, listed});
}

const TEffectClassHolder& FindEffectClass(const std::string& name) {
  const auto& registry = EffectRegistry();
  for (const TEffectClassHolder& holder : registry) {
    if (holder.Name == name) return holder;
  }
  return registry.front();
}

const std::vector<TEffectClassHolder>& RegisteredEffectClasses() { return EffectRegistry(); }

// ---------------------------------------------------------------------------------------------
// Effect shape

TdtpEffectShape::TdtpEffectShape() = default;

TdtpEffectShape::~TdtpEffectShape() = default;

int TdtpEffectShape::AddEffect(std::unique_ptr<TdtpEffect> effect) {
  if (!effect) return -1;
  Invalidate();
  effect->SetShape(this);
  effects_.push_back(std::move(effect));
  RefreshCache();
  Changed();
  return EffectCount() - 1;
}

TdtpEffect* TdtpEffectShape::Effects(int index) const {
  if (index < 0 || index >= EffectCount()) return nullptr;
  return effects_[static_cast<size_t>(index)].get();
}

bool TdtpEffectShape::NeedsFlip() const {
  return TdtpShape::NeedsFlip() ||
         std::any_of(effects_.begin(), effects_.end(), [](const auto& e) { return e->Enabled(); });
}

void TdtpEffectShape::ApplyFlip(TBitmap32& bitmap) const {
  for (const auto& effect : effects_) {
    if (effect->Enabled()) effect->Apply(bitmap);
  }
  TdtpShape::ApplyFlip(bitmap);
}

void TdtpEffectShape::AdjustCurbs(float& left, float& top, float& right, float& bottom) {
  for (const auto& effect : effects_) effect->AdjustCurbs(left, top, right, bottom);
  TdtpShape::AdjustCurbs(left, top, right, bottom);
}

void TdtpEffectShape::SaveToXml(TXmlNode* node) {
  if (!node) return;
  TdtpShape::SaveToXml(node);
  for (size_t i = 0; i < effects_.size(); ++i) {
    TXmlNode* element = node->NewChild("Effect");
    element->AddAttributeInt("Index", static_cast<int>(i) + 1);
    effects_[i]->SaveToXml(element);
  }
}

void TdtpEffectShape::LoadFromXml(TXmlNode* node) {
  if (!node) return;
  TdtpShape::LoadFromXml(node);
  // Loading replaces the chain: a shape loaded again (as Assign does) must not run it twice.
  effects_.clear();
  for (int i = 0; i < node->ChildCount(); ++i) {
    TXmlNode* element = node->Children(i);
    if (!IsElementNamed(element, "Effect")) continue;
    std::unique_ptr<TdtpEffect> effect = FindEffectClass(element->GetString("ClassName", "")).Create();
    TdtpEffect* added = effect.get();
    AddEffect(std::move(effect));
    added->LoadFromXml(element);
    added->Update();
  }
  // The margins depend on the loaded parameters of the effects.
  UpdateCurbs();
}

}  // namespace kivrano
