// Components: objects with a name and an owner. An owner holds the components
// given to it and destroys them, last first, when it is destroyed itself.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace savkit {

class TComponent {
 public:
  TComponent() = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;
  virtual ~TComponent();

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  // A name is empty or an identifier (letter or '_', then letters, digits or
  // '_'), unique among the owner's components ignoring ASCII case.
  void SetName(const std::string& name);

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  TComponent* FindComponent(const std::string& name) const;

  // Takes ownership of a component; returns it for convenience.
  TComponent* InsertComponent(std::unique_ptr<TComponent> component);
  // Gives ownership back to the caller.
  std::unique_ptr<TComponent> RemoveComponent(TComponent* component);

  // Creates a component of class T owned by owner (or by nobody when owner is
  // null, in which case the caller must delete it).
  template <class T, class... Args>
  static T* Create(TComponent* owner, Args&&... args) {
    auto made = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = made.get();
    if (owner)
      owner->InsertComponent(std::move(made));
    else
      made.release();
    return raw;
  }

 private:
  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<std::unique_ptr<TComponent>> components_;
};

}  // namespace savkit
