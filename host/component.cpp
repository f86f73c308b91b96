#include "savkit/host/component.h"

#include <algorithm>
#include <cctype>

#include "savkit/host/exceptions.h"
#include "savkit/host/format.h"
#include "savkit/host/sysutils.h"

namespace savkit {

namespace {

bool IsValidIdent(const std::string& s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

}  // namespace

TComponent::~TComponent() {
  while (!components_.empty()) {
    std::unique_ptr<TComponent> last = std::move(components_.back());
    components_.pop_back();
    last->owner_ = nullptr;
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (!name.empty() && !IsValidIdent(name)) throw EComponentError(Format("'%s' is not a valid component name", name));
  if (owner_ && !name.empty()) {
    const TComponent* other = owner_->FindComponent(name);
    if (other && other != this) throw EComponentError(Format("A component named %s already exists", name));
  }
  name_ = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) throw EListError(Format("List index out of bounds (%d)", index));
  return components_[static_cast<std::size_t>(index)].get();
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty()) return nullptr;
  for (const auto& c : components_)
    if (SameText(c->name_, name)) return c.get();
  return nullptr;
}

TComponent* TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
  if (!component) return nullptr;
  if (component->owner_) throw EComponentError("Component already has an owner");
  if (!component->name_.empty() && FindComponent(component->name_))
    throw EComponentError(Format("A component named %s already exists", component->name_));
  component->owner_ = this;
  components_.push_back(std::move(component));
  return components_.back().get();
}

std::unique_ptr<TComponent> TComponent::RemoveComponent(TComponent* component) {
  const auto it =
      std::find_if(components_.begin(), components_.end(), [&](const auto& c) { return c.get() == component; });
  if (it == components_.end()) return nullptr;
  std::unique_ptr<TComponent> out = std::move(*it);
  components_.erase(it);
  out->owner_ = nullptr;
  return out;
}

}  // namespace savkit
