// The common base of the engine's components (converter, player): a non-visual component
// that knows its owner.
#pragma once

namespace qarvo {

class TMediaComponent {
 public:
  explicit TMediaComponent(void* owner = nullptr) : owner_(owner) {}
  virtual ~TMediaComponent() = default;
  TMediaComponent(const TMediaComponent&) = delete;
  TMediaComponent& operator=(const TMediaComponent&) = delete;

  void* Owner() const { return owner_; }

 private:
  void* owner_;
};

}  // namespace qarvo
