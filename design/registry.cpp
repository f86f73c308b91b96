#include "savkit/design/registry.h"

namespace savkit {

TDesignRegistry& TDesignRegistry::Instance() {
  static TDesignRegistry registry;
  return registry;
}

void TDesignRegistry::RegisterComponents(const std::string& page, const std::vector<TComponentClass>& classes) {
  auto& list = pages_[page];
  list.insert(list.end(), classes.begin(), classes.end());
}

void TDesignRegistry::RegisterPropertyEditor(const std::string& propertyType, const TComponentClass& componentClass,
                                             const std::string& propertyName, TPropertyEditorFactory editor) {
  editors_.push_back({propertyType, componentClass, propertyName, std::move(editor)});
}

std::vector<std::string> TDesignRegistry::Page(const std::string& page) const {
  std::vector<std::string> names;
  if (const auto it = pages_.find(page); it != pages_.end())
    for (const TComponentClass& c : it->second) names.push_back(c.Name);
  return names;
}

const TPropertyEditorFactory* TDesignRegistry::FindPropertyEditor(const std::string& propertyType,
                                                                  const TComponent* component,
                                                                  const std::string& propertyName) const {
  // The latest registration wins, as in the design environment.
  for (auto it = editors_.rbegin(); it != editors_.rend(); ++it)
    if (it->propertyType == propertyType && it->propertyName == propertyName &&
        it->componentClass.IsInstance(component))
      return &it->factory;
  return nullptr;
}

void TDesignRegistry::Clear() {
  pages_.clear();
  editors_.clear();
}

}  // namespace savkit
