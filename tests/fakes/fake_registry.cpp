#include "tests/fakes/fake_registry.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>

#include "env/mbcs.h"

namespace {

constexpr LONG kErrorInvalidHandle = 6;  // ERROR_INVALID_HANDLE

// The components of a '\'-separated path; empty components are dropped.
std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

std::string JoinPath(const std::vector<std::string>& parts) {
  std::string path;
  for (const std::string& p : parts) path += (path.empty() ? "" : "\\") + p;
  return path;
}

}  // namespace

struct FakeRegistry::Impl {
  struct Value {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
  };
  struct Node {
    std::string name;                             // as first created
    std::vector<std::shared_ptr<Node>> children;  // in insertion order
    std::vector<Value> values;                    // in insertion order
    bool deleted = false;
  };
  struct Handle {
    std::shared_ptr<Node> node;
    View view = View::k64;
    std::string path;  // lower-cased full path below HKEY_LOCAL_MACHINE
    REGSAM access = 0;
  };
  // Fault injection, keyed by view and lower-cased path.
  using PathKey = std::pair<View, std::string>;

  std::shared_ptr<Node> roots[2] = {std::make_shared<Node>(), std::make_shared<Node>()};
  std::map<HKEY, Handle> handles;
  uintptr_t nextHandle = 0x1000;
  std::map<PathKey, std::map<DWORD, LONG>> enumFailAt;
  std::map<PathKey, LONG> enumFailAlways;
  std::map<PathKey, LONG> openFail;

  std::shared_ptr<Node>& Root(View view) { return roots[view == View::k64 ? 0 : 1]; }

  static std::shared_ptr<Node> Child(const Node& node, const std::string& name) {
    const std::string key = AsciiLower(name);
    for (const auto& child : node.children)
      if (AsciiLower(child->name) == key) return child;
    return nullptr;
  }

  std::shared_ptr<Node> Find(View view, const std::string& path) {
    std::shared_ptr<Node> node = Root(view);
    for (const std::string& part : SplitPath(path)) {
      node = Child(*node, part);
      if (!node) return nullptr;
    }
    return node;
  }

  std::shared_ptr<Node> Create(View view, const std::string& path) {
    std::shared_ptr<Node> node = Root(view);
    for (const std::string& part : SplitPath(path)) {
      std::shared_ptr<Node> child = Child(*node, part);
      if (!child) {
        child = std::make_shared<Node>();
        child->name = part;
        node->children.push_back(child);
      }
      node = child;
    }
    return node;
  }

  static Value* FindValue(Node& node, const char* name) {
    const std::string key = AsciiLower(name ? name : "");
    for (Value& v : node.values)
      if (AsciiLower(v.name) == key) return &v;
    return nullptr;
  }

  static void SetValue(Node& node, const std::string& name, DWORD type, std::string data) {
    Value* v = FindValue(node, name.c_str());
    if (!v) {
      node.values.push_back(Value{name, type, ""});
      v = &node.values.back();
    }
    v->type = type;
    v->data = std::move(data);
  }

  static void MarkDeleted(Node& node) {
    node.deleted = true;
    for (auto& child : node.children) MarkDeleted(*child);
  }

  // The open key behind a handle, or the error that using it gives.
  LONG Use(HKEY key, REGSAM needed, Handle** handle) {
    auto it = handles.find(key);
    if (it == handles.end()) return kErrorInvalidHandle;
    if (it->second.node->deleted) return ERROR_KEY_DELETED;
    if ((it->second.access & needed) != needed) return ERROR_ACCESS_DENIED;
    *handle = &it->second;
    return ERROR_SUCCESS;
  }
};

FakeRegistry::FakeRegistry() : m_impl(std::make_unique<Impl>()) {}

FakeRegistry::~FakeRegistry() = default;

void FakeRegistry::AddKey(const std::string& path, View view) { m_impl->Create(view, path); }

void FakeRegistry::SetString(const std::string& path, const std::string& name,
                             const std::string& value, View view, DWORD type) {
  Impl::SetValue(*m_impl->Create(view, path), name, type, value + '\0');
}

void FakeRegistry::SetRaw(const std::string& path, const std::string& name, DWORD type,
                          const std::string& data, View view) {
  Impl::SetValue(*m_impl->Create(view, path), name, type, data);
}

bool FakeRegistry::HasKey(const std::string& path, View view) const {
  return m_impl->Find(view, path) != nullptr;
}

void FakeRegistry::RemoveKey(const std::string& path, View view) {
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty()) return;
  const std::string name = parts.back();
  parts.pop_back();
  std::shared_ptr<Impl::Node> parent = m_impl->Find(view, JoinPath(parts));
  std::shared_ptr<Impl::Node> node = parent ? Impl::Child(*parent, name) : nullptr;
  if (!node) return;
  Impl::MarkDeleted(*node);
  parent->children.erase(std::find(parent->children.begin(), parent->children.end(), node));
}

std::vector<std::string> FakeRegistry::SubkeyNames(const std::string& path, View view) const {
  std::vector<std::string> names;
  if (std::shared_ptr<Impl::Node> node = m_impl->Find(view, path))
    for (const auto& child : node->children) names.push_back(child->name);
  return names;
}

bool FakeRegistry::GetValue(const std::string& path, const std::string& name, std::string* data,
                            DWORD* type, View view) const {
  std::shared_ptr<Impl::Node> node = m_impl->Find(view, path);
  if (!node) return false;
  const Impl::Value* v = Impl::FindValue(*node, name.c_str());
  if (!v) return false;
  if (data) *data = v->data;
  if (type) *type = v->type;
  return true;
}

void FakeRegistry::FailEnumAt(const std::string& path, DWORD index, LONG error, View view) {
  m_impl->enumFailAt[{view, AsciiLower(JoinPath(SplitPath(path)))}][index] = error;
}

void FakeRegistry::FailEnumAlways(const std::string& path, LONG error, View view) {
  m_impl->enumFailAlways[{view, AsciiLower(JoinPath(SplitPath(path)))}] = error;
}

void FakeRegistry::FailOpen(const std::string& path, LONG error, View view) {
  m_impl->openFail[{view, AsciiLower(JoinPath(SplitPath(path)))}] = error;
}

FakeRegistry::View FakeRegistry::ViewOf(REGSAM flags, const View* parentView) const {
  const View named = flags & KEY_WOW64_64KEY ? View::k64 : View::k32;
  if (m_rule == ViewRule::kOneView) return View::k64;
  if (!parentView || m_rule == ViewRule::kXpX64) return named;
  if (m_rule == ViewRule::kVista)
    return flags & (KEY_WOW64_64KEY | KEY_WOW64_32KEY) ? named : *parentView;
  return flags & KEY_WOW64_32KEY ? View::k32 : *parentView;
}

LONG FakeRegistry::OpenKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) {
  return OpenOrCreate(parent, subKey, access, false, key);
}

LONG FakeRegistry::CreateKey(HKEY parent, const char* subKey, REGSAM access, HKEY* key) {
  if (!subKey) return ERROR_INVALID_PARAMETER;
  // As Windows: a name that begins with a backslash is refused; one that ends
  // with backslashes is taken without them.
  if (subKey[0] == '\\') return ERROR_BAD_PATHNAME;
  return OpenOrCreate(parent, subKey, access, true, key);
}

LONG FakeRegistry::OpenOrCreate(HKEY parent, const char* subKey, REGSAM access, bool create,
                                HKEY* key) {
  accessMasks.push_back(access);
  std::string base;
  const View* parentView = nullptr;
  if (parent != HKEY_LOCAL_MACHINE) {
    auto it = m_impl->handles.find(parent);
    if (it == m_impl->handles.end()) return kErrorInvalidHandle;
    if (it->second.node->deleted) return ERROR_KEY_DELETED;
    base = it->second.path;
    parentView = &it->second.view;
  }
  const View view = ViewOf(access, parentView);
  std::vector<std::string> parts = SplitPath(base);
  for (const std::string& part : SplitPath(subKey ? subKey : "")) parts.push_back(part);
  const std::string path = AsciiLower(JoinPath(parts));

  auto failure = m_impl->openFail.find({view, path});
  if (failure != m_impl->openFail.end()) return failure->second;
  std::shared_ptr<Impl::Node> node = m_impl->Find(view, path);
  if (!node && create) node = m_impl->Create(view, JoinPath(parts));
  if (!node) return ERROR_FILE_NOT_FOUND;

  HKEY handle = reinterpret_cast<HKEY>(m_impl->nextHandle);
  m_impl->nextHandle += 0x10;
  m_impl->handles[handle] = Impl::Handle{node, view, path, access};
  m_handles.insert(handle);
  *key = handle;
  return ERROR_SUCCESS;
}

LONG FakeRegistry::EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) {
  Impl::Handle* handle = nullptr;
  if (LONG error = m_impl->Use(key, KEY_ENUMERATE_SUB_KEYS, &handle)) return error;
  const Impl::PathKey where{handle->view, handle->path};
  auto always = m_impl->enumFailAlways.find(where);
  if (always != m_impl->enumFailAlways.end()) return always->second;
  auto at = m_impl->enumFailAt.find(where);
  if (at != m_impl->enumFailAt.end()) {
    auto failure = at->second.find(index);
    if (failure != at->second.end()) return failure->second;
  }
  const auto& children = handle->node->children;
  if (index >= children.size()) return ERROR_NO_MORE_ITEMS;
  const std::string& childName = children[index]->name;
  // Like Windows: the buffer must hold the name and its terminator.
  if (*nameLength <= childName.size()) return ERROR_MORE_DATA;
  std::memcpy(name, childName.c_str(), childName.size() + 1);
  *nameLength = static_cast<DWORD>(childName.size());
  return ERROR_SUCCESS;
}

LONG FakeRegistry::QueryValue(HKEY key, const char* valueName, DWORD* type, BYTE* data,
                              DWORD* dataSize) {
  Impl::Handle* handle = nullptr;
  if (LONG error = m_impl->Use(key, KEY_QUERY_VALUE, &handle)) return error;
  const Impl::Value* v = Impl::FindValue(*handle->node, valueName);
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  const DWORD size = static_cast<DWORD>(v->data.size());
  if (!data) {
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
  }
  if (!dataSize) return ERROR_INVALID_PARAMETER;
  if (*dataSize < size) {
    *dataSize = size;
    return ERROR_MORE_DATA;
  }
  if (size) std::memcpy(data, v->data.data(), size);
  *dataSize = size;
  return ERROR_SUCCESS;
}

LONG FakeRegistry::QueryKeyCounts(HKEY key, DWORD* subKeys, DWORD* values) {
  Impl::Handle* handle = nullptr;
  if (LONG error = m_impl->Use(key, KEY_QUERY_VALUE, &handle)) return error;
  *subKeys = static_cast<DWORD>(handle->node->children.size());
  *values = static_cast<DWORD>(handle->node->values.size());
  return ERROR_SUCCESS;
}

LONG FakeRegistry::SetValue(HKEY key, const char* valueName, DWORD type, const BYTE* data,
                            DWORD dataSize) {
  Impl::Handle* handle = nullptr;
  if (LONG error = m_impl->Use(key, KEY_SET_VALUE, &handle)) return error;
  if (dataSize && !data) return ERROR_INVALID_PARAMETER;
  std::string bytes = dataSize ? std::string(reinterpret_cast<const char*>(data), dataSize) : "";
  Impl::SetValue(*handle->node, valueName ? valueName : "", type, std::move(bytes));
  return ERROR_SUCCESS;
}

LONG FakeRegistry::DeleteKey(HKEY parent, const char* subKey, REGSAM viewFlag) {
  deleteViews.push_back(viewFlag);
  if (!subKey) return ERROR_INVALID_PARAMETER;
  std::string base;
  const View* parentView = nullptr;
  if (parent != HKEY_LOCAL_MACHINE) {
    Impl::Handle* handle = nullptr;
    if (LONG error = m_impl->Use(parent, 0, &handle)) return error;
    base = handle->path;
    parentView = &handle->view;
  }
  const View view = ViewOf(viewFlag, parentView);
  std::vector<std::string> parts = SplitPath(base);
  for (const std::string& part : SplitPath(subKey)) parts.push_back(part);
  if (parts.empty()) return ERROR_ACCESS_DENIED;  // the root itself
  std::shared_ptr<Impl::Node> node = m_impl->Find(view, JoinPath(parts));
  if (!node) return ERROR_FILE_NOT_FOUND;
  // One key only is deleted; a key with subkeys stays.
  if (!node->children.empty()) return ERROR_ACCESS_DENIED;
  const std::string name = parts.back();
  parts.pop_back();
  std::shared_ptr<Impl::Node> owner = m_impl->Find(view, JoinPath(parts));
  auto& siblings = owner->children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), node));
  Impl::MarkDeleted(*node);
  return ERROR_SUCCESS;
}

LONG FakeRegistry::CloseKey(HKEY key) {
  auto it = m_impl->handles.find(key);
  if (it == m_impl->handles.end()) return kErrorInvalidHandle;
  m_impl->handles.erase(it);
  m_handles.erase(key);
  return ERROR_SUCCESS;
}
