// The model behind the Win32 stand-ins: path and key resolution as Windows
// does it, the virtual clock of the window manager, and handle bookkeeping.
#include "fake_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace fake {

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

std::vector<BYTE> TextBytes(const std::string& text) {
  std::vector<BYTE> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

namespace {

std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(path);
  while (std::getline(in, part, '\\')) {
    if (!part.empty()) parts.push_back(part);
  }
  return parts;
}

}  // namespace

// ---------------------------------------------------------------- registry

Registry::Registry() : root(std::make_shared<RegistryKey>()) {
  root->name = "HKCU";
  root->fullPath = "HKCU";
}

RegistryKey& Registry::CreateKey(const std::string& path) {
  RegistryKey* key = root.get();
  for (const std::string& part : SplitKeyPath(path)) {
    auto found = key->subkeys.find(part);
    if (found == key->subkeys.end()) {
      auto child = std::make_shared<RegistryKey>();
      child->name = part;
      child->fullPath = key->fullPath + "\\" + part;
      found = key->subkeys.emplace(part, child).first;
    }
    key = found->second.get();
  }
  return *key;
}

void Registry::SetValue(const std::string& keyPath, const std::string& name, DWORD type,
                        std::vector<BYTE> data) {
  CreateKey(keyPath).values[name] = RegistryValue{type, std::move(data)};
}

void Registry::SetText(const std::string& keyPath, const std::string& name,
                       const std::string& text) {
  SetValue(keyPath, name, REG_SZ, TextBytes(text));
}

std::shared_ptr<RegistryKey> Registry::Walk(std::shared_ptr<RegistryKey> from,
                                            const std::string& path) {
  for (const std::string& part : SplitKeyPath(path)) {
    if (!from) break;
    auto found = from->subkeys.find(part);
    from = found == from->subkeys.end() ? nullptr : found->second;
  }
  return from;
}

// ------------------------------------------------------------- file system

FileNode* FileNode::Child(const std::string& childName) {
  for (auto& child : children) {
    if (Lower(child->name) == Lower(childName)) return child.get();
  }
  return nullptr;
}

FileSystem::FileSystem() { RootFor("C:"); }

FileNode& FileSystem::RootFor(const std::string& rootName) {
  auto& slot = roots_[rootName];
  if (!slot) {
    slot = std::make_unique<FileNode>();
    slot->name = rootName;
    slot->attributes = FILE_ATTRIBUTE_DIRECTORY;
  }
  return *slot;
}

bool FileSystem::IsRoot(const FileNode* node) const { return node->parent == nullptr; }

bool FileSystem::Split(const std::string& rawPath, std::string* rootName,
                       std::vector<std::string>* parts) {
  std::string path = rawPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.empty()) return false;
  std::string rest;
  parts->clear();
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    std::vector<std::string> unc = SplitKeyPath(path.substr(2));
    if (unc.size() < 2) return false;
    *rootName = "\\\\" + unc[0] + "\\" + unc[1];
    for (size_t i = 2; i < unc.size(); ++i) rest += unc[i] + "\\";
  } else if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) &&
             path[1] == ':') {
    *rootName = std::string(1, static_cast<char>(std::toupper(path[0]))) + ":";
    if (path.size() > 2 && path[2] == '\\') {
      rest = path.substr(3);
    } else {
      // Drive-relative: below the current directory when it is on that drive.
      if (Lower(*rootName) == Lower(currentDrive)) {
        std::string ignored;
        Split(currentDirectory, &ignored, parts);
      }
      rest = path.substr(2);
    }
  } else if (path[0] == '\\') {
    *rootName = currentDrive;
    rest = path.substr(1);
  } else {
    Split(currentDirectory, rootName, parts);
    rest = path;
  }
  for (const std::string& part : SplitKeyPath(rest)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!parts->empty()) parts->pop_back();
      continue;
    }
    parts->push_back(part);
  }
  return true;
}

FileNode* FileSystem::Find(const std::string& path, std::string* canonical) {
  std::string rootName;
  std::vector<std::string> parts;
  if (!Split(path, &rootName, &parts)) return nullptr;
  auto found = roots_.find(rootName);
  if (found == roots_.end()) return nullptr;
  FileNode* node = found->second.get();
  std::string full = rootName;
  for (const std::string& part : parts) {
    if (!node->IsDirectory()) return nullptr;
    node = node->Child(part);
    if (node == nullptr) return nullptr;
    full += "\\" + node->name;
  }
  if (canonical != nullptr) *canonical = parts.empty() ? full + "\\" : full;
  return node;
}

FileNode& FileSystem::AddDirectory(const std::string& path, DWORD attributes) {
  FileNode& node = EnsureDirectory(path);
  node.attributes = attributes;
  return node;
}

FileNode& FileSystem::EnsureDirectory(const std::string& path) {
  std::string rootName;
  std::vector<std::string> parts;
  if (!Split(path, &rootName, &parts)) {
    ADD_FAILURE() << "cannot stage directory " << path;
    return RootFor("C:");
  }
  FileNode* node = &RootFor(rootName);
  for (const std::string& part : parts) {
    FileNode* child = node->Child(part);
    if (child == nullptr) {
      auto made = std::make_unique<FileNode>();
      made->name = part;
      made->attributes = FILE_ATTRIBUTE_DIRECTORY;
      made->parent = node;
      child = made.get();
      node->children.push_back(std::move(made));
    }
    node = child;
  }
  return *node;
}

FileNode& FileSystem::AddFile(const std::string& path, DWORD attributes) {
  std::string leaf;
  std::string rootName;
  std::vector<std::string> parts;
  if (!Split(path, &rootName, &parts) || parts.empty()) {
    ADD_FAILURE() << "cannot stage file " << path;
    return RootFor("C:");
  }
  std::string parentPath = rootName + "\\";
  for (size_t i = 0; i + 1 < parts.size(); ++i) parentPath += parts[i] + "\\";
  FileNode& parent = EnsureDirectory(parentPath);
  FileNode* file = parent.Child(parts.back());
  if (file == nullptr) {
    auto made = std::make_unique<FileNode>();
    made->name = parts.back();
    made->parent = &parent;
    file = made.get();
    parent.children.push_back(std::move(made));
  }
  file->attributes = attributes;
  return *file;
}

void FileSystem::Remove(const std::string& path) {
  FileNode* node = Find(path);
  if (node == nullptr || node->parent == nullptr) {
    ADD_FAILURE() << "nothing to remove at " << path;
    return;
  }
  Detach(node);
}

void FileSystem::Detach(FileNode* node) {
  auto& siblings = node->parent->children;
  for (auto it = siblings.begin(); it != siblings.end(); ++it) {
    if (it->get() == node) {
      siblings.erase(it);
      return;
    }
  }
}

namespace {

void Collect(const FileNode& node, const std::string& path, std::vector<std::string>* out) {
  out->push_back(path);
  for (const auto& child : node.children) {
    Collect(*child, path + (path.back() == '\\' ? "" : "\\") + child->name, out);
  }
}

}  // namespace

std::vector<std::string> FileSystem::Snapshot(const std::string& root) {
  std::vector<std::string> paths;
  if (root.empty()) {
    for (const auto& [name, node] : roots_) Collect(*node, name + "\\", &paths);
  } else {
    std::string canonical;
    FileNode* node = Find(root, &canonical);
    if (node != nullptr) Collect(*node, canonical, &paths);
  }
  return paths;
}

// ---------------------------------------------------------- window manager

FakeWindow& WindowManager::AddWindow(const std::string& label, const std::string& className,
                                     CloseBehaviour onClose) {
  auto window = std::make_unique<FakeWindow>();
  window->hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x20000 + 0x10 * windows.size()));
  window->label = label;
  window->className = className;
  window->onClose = onClose;
  windows.push_back(std::move(window));
  return *windows.back();
}

FakeWindow& WindowManager::AddPopup(const std::string& label, FakeWindow& owner,
                                    CloseBehaviour onClose) {
  FakeWindow& popup = AddWindow(label, "#32770", onClose);
  popup.owner = owner.hwnd;
  owner.lastActivePopup = popup.hwnd;
  return popup;
}

FakeWindow* WindowManager::Find(HWND hwnd) {
  for (auto& window : windows) {
    if (window->hwnd == hwnd) return window.get();
  }
  return nullptr;
}

FakeWindow* WindowManager::FindByLabel(const std::string& label) {
  for (auto& window : windows) {
    if (window->label == label) return window.get();
  }
  return nullptr;
}

bool WindowManager::IsAlive(const FakeWindow& window) const {
  if (window.goneAt && *window.goneAt <= nowMs) return false;
  // Destroying an owner destroys the windows it owns.
  if (window.owner != nullptr) {
    for (const auto& other : windows) {
      if (other->hwnd == window.owner) return IsAlive(*other);
    }
  }
  return true;
}

void WindowManager::HandleClose(FakeWindow& window, uint64_t handledAt) {
  uint64_t at = handledAt;
  switch (window.onClose) {
    case CloseBehaviour::kClosesAtOnce:
      break;
    case CloseBehaviour::kClosesAfterDelay:
      at += window.closeDelayMs;
      break;
    default:
      return;
  }
  if (!window.goneAt || *window.goneAt > at) window.goneAt = at;
}

// ------------------------------------------------------------------ platform

std::vector<std::string> FakePlatform::Calls(const std::string& prefix) const {
  std::vector<std::string> calls;
  for (const std::string& entry : log) {
    if (entry.compare(0, prefix.size(), prefix) == 0) calls.push_back(entry);
  }
  return calls;
}

int FakePlatform::IndexOfEntry(const std::string& entry) const {
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i] == entry) return static_cast<int>(i);
  }
  return -1;
}

int FakePlatform::IndexOf(const std::string& prefix) const {
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
  }
  return -1;
}

std::vector<std::string> FakePlatform::Removals() const {
  std::vector<std::string> removals;
  const std::string ok = " ok";
  for (const std::string& entry : log) {
    bool isRemoval = entry.rfind("DeleteFileA ", 0) == 0 ||
                     entry.rfind("RemoveDirectoryA ", 0) == 0 ||
                     entry.rfind("RegDeleteKeyA ", 0) == 0;
    if (isRemoval && entry.size() > ok.size() &&
        entry.compare(entry.size() - ok.size(), ok.size(), ok) == 0) {
      removals.push_back(entry.substr(0, entry.size() - ok.size()));
    }
  }
  return removals;
}

uintptr_t FakePlatform::Open(HandleKind kind) {
  uintptr_t handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = kind;
  return handle;
}

bool FakePlatform::Close(uintptr_t handle, HandleKind kind, const char* api) {
  auto found = handles_.find(handle);
  if (found == handles_.end() || found->second != kind) {
    ADD_FAILURE() << api << " on a handle that is not open (closed twice, or never opened): 0x"
                  << std::hex << handle;
    return false;
  }
  handles_.erase(found);
  return true;
}

std::optional<HandleKind> FakePlatform::KindOf(uintptr_t handle) const {
  auto found = handles_.find(handle);
  if (found == handles_.end()) return std::nullopt;
  return found->second;
}

bool FakePlatform::IsOpen(uintptr_t handle, HandleKind kind) const {
  auto found = handles_.find(handle);
  return found != handles_.end() && found->second == kind;
}

int FakePlatform::OpenCount(HandleKind kind) const {
  return static_cast<int>(
      std::count_if(handles_.begin(), handles_.end(),
                    [kind](const auto& entry) { return entry.second == kind; }));
}

bool FakePlatform::IsKeyOpen(const std::string& path) {
  RegistryKey* key = registry.Find(path);
  for (const auto& [handle, open] : openKeys) {
    if (open.get() == key) return true;
  }
  return false;
}

namespace {
std::unique_ptr<FakePlatform> g_platform = std::make_unique<FakePlatform>();
}

FakePlatform& Platform() { return *g_platform; }

void Reset() { g_platform = std::make_unique<FakePlatform>(); }

}  // namespace fake
