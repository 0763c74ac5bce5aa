#pragma once

// The shape class between the shape base and every concrete drawable shape: it owns an ordered
// chain of raster effects that post-process the shape's rendered image, and the process-wide
// registry through which stored effects are created again by class name.

#include <memory>
#include <string>
#include <vector>

#include "engine/dtpShape.h"

namespace kivrano {

class TBitmap32;
class TdtpEffectShape;
class TXmlNode;

// One raster effect of an effect shape. The base changes nothing.
class TdtpEffect {
 public:
  TdtpEffect() = default;
  virtual ~TdtpEffect() = default;
  TdtpEffect(const TdtpEffect&) = delete;
  TdtpEffect& operator=(const TdtpEffect&) = delete;

  virtual std::string ClassName() const { return "TdtpEffect"; }

  // Only enabled effects are applied.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  // Stored and loaded with the effect; painting does not depend on it.
  int Source() const { return source_; }
  void SetSource(int value) { source_ = value; }
  // The owning shape (set by AddEffect), or none.
  TdtpEffectShape* Shape() const { return shape_; }
  void SetShape(TdtpEffectShape* shape) { shape_ = shape; }

  // Repaints the owning shape's area.
  virtual void Invalidate();
  // Works on the image in place; the base does nothing.
  virtual void Apply(TBitmap32& image);
  // Renders the owning shape again.
  virtual void Changed();
  // Recomputes derived data after the parameters changed; the base has none.
  virtual void Update() {}
  // Enlarges the shape's drawing margins (millimetres) where the effect paints outside the shape;
  // the base leaves them alone.
  virtual void AdjustCurbs(float& /*left*/, float& /*top*/, float& /*right*/, float& /*bottom*/) const {}
  // The class name without "Tdtp" and "Effect" unless a class names itself.
  virtual std::string GetDisplayName() const;
  // The effect's elements as children of node; none does nothing.
  virtual void LoadFromXml(TXmlNode* node);
  virtual void SaveToXml(TXmlNode* node);

 private:
  bool enabled_ = true;
  TdtpEffectShape* shape_ = nullptr;
  int source_ = -2;
};

using TdtpEffectFactory = std::unique_ptr<TdtpEffect> (*)();

// One entry of the effect class registry. Listed classes are the ones offered to users.
struct TEffectClassHolder {
  std::string Name;
  TdtpEffectFactory Create = nullptr;
  bool Listed = false;
};

// Adds a class unless one of that name is registered. TdtpEffect (unlisted) and the brightness and
// contrast, HSL adjustment and shadow effects (listed) are always present.
void RegisterEffectClass(const std::string& name, TdtpEffectFactory create, bool listed);

template <typename T>
void RegisterEffectClass(bool listed) {
  RegisterEffectClass(T().ClassName(), []() -> std::unique_ptr<TdtpEffect> { return std::make_unique<T>(); }, listed);
}

// The class registered under name (compared exactly), TdtpEffect when there is none.
const TEffectClassHolder& FindEffectClass(const std::string& name);

// Every registered class in registration order.
const std::vector<TEffectClassHolder>& RegisteredEffectClasses();

// A shape carrying an ordered chain of effects that run on its finished image. Freeing the shape
// frees its effects.
class TdtpEffectShape : public TdtpShape {
 public:
  TdtpEffectShape();
  ~TdtpEffectShape() override;

  std::string ClassName() const override { return "TdtpEffectShape"; }

  // Appends the effect and makes this shape its owner; returns its index, -1 for none.
  int AddEffect(std::unique_ptr<TdtpEffect> effect);
  int EffectCount() const { return static_cast<int>(effects_.size()); }
  // The effect at index, none when out of range.
  TdtpEffect* Effects(int index) const;

  // True also when any effect is enabled, so that effects always run on the cached image.
  bool NeedsFlip() const override;
  // Runs the enabled effects in list order on the image, then mirrors and flips it.
  void ApplyFlip(TBitmap32& bitmap) const override;
  // Each effect's margins in list order, then the base's.
  void AdjustCurbs(float& left, float& top, float& right, float& bottom) override;
  void SaveToXml(TXmlNode* node) override;
  void LoadFromXml(TXmlNode* node) override;

 private:
  std::vector<std::unique_ptr<TdtpEffect>> effects_;
};

}  // namespace kivrano
