// What a visual design environment keeps of a package: palette pages with
// their component classes, and property editors.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "savkit/host/component.h"

namespace savkit {

// A component class: its name, a test for its instances (descendants
// included) and a way to create one.
struct TComponentClass {
  std::string Name;
  std::function<bool(const TComponent*)> IsInstance;
  std::function<TComponent*(TComponent* owner)> Create;

  template <class T>
  static TComponentClass Of(std::string name) {
    return {std::move(name), [](const TComponent* c) { return dynamic_cast<const T*>(c) != nullptr; },
            [](TComponent* owner) -> TComponent* { return TComponent::Create<T>(owner); }};
  }
};

enum TPropertyAttribute { paValueList, paSubProperties, paDialog, paMultiSelect, paReadOnly };
using TPropertyAttributes = std::set<TPropertyAttribute>;

// An editor of one property of the selected components.
class TPropertyEditor {
 public:
  virtual ~TPropertyEditor() = default;
  virtual TPropertyAttributes GetAttributes() const = 0;
  virtual void Edit() = 0;
};

// A string property read from the first selected component and written to
// every one of them.
class TStringProperty : public TPropertyEditor {
 public:
  using Getter = std::function<std::string(TComponent*)>;
  using Setter = std::function<void(TComponent*, const std::string&)>;
  TStringProperty(std::vector<TComponent*> selection, Getter get, Setter set)
      : selection_(std::move(selection)), get_(std::move(get)), set_(std::move(set)) {}

  std::string GetValue() const { return selection_.empty() ? std::string() : get_(selection_.front()); }
  void SetValue(const std::string& value) {
    for (TComponent* c : selection_) set_(c, value);
  }

 private:
  std::vector<TComponent*> selection_;
  Getter get_;
  Setter set_;
};

using TPropertyEditorFactory = std::function<std::unique_ptr<TPropertyEditor>(
    std::vector<TComponent*>, TStringProperty::Getter, TStringProperty::Setter)>;

class TDesignRegistry {
 public:
  static TDesignRegistry& Instance();

  void RegisterComponents(const std::string& page, const std::vector<TComponentClass>& classes);
  void RegisterPropertyEditor(const std::string& propertyType, const TComponentClass& componentClass,
                              const std::string& propertyName, TPropertyEditorFactory editor);

  // Component class names of a page, in the order they were registered.
  std::vector<std::string> Page(const std::string& page) const;
  // The editor for a property of a component, or null.
  const TPropertyEditorFactory* FindPropertyEditor(const std::string& propertyType, const TComponent* component,
                                                   const std::string& propertyName) const;
  void Clear();

 private:
  struct EditorEntry {
    std::string propertyType;
    TComponentClass componentClass;
    std::string propertyName;
    TPropertyEditorFactory factory;
  };
  std::map<std::string, std::vector<TComponentClass>> pages_;
  std::vector<EditorEntry> editors_;
};

}  // namespace savkit
