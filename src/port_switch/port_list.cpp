#include "port_switch/port_list.h"

#include <algorithm>

#include "codec/gbk_convert.h"
#include "codec/gbk_literal.h"
#include "ui/windows/control_ids.h"

namespace vorta::port_switch {
namespace {

bool SamePort(const ListedPort& a, const ListedPort& b) {
    return a.missing == b.missing && a.info.name == b.info.name && a.info.devicePath == b.info.devicePath &&
           a.info.description == b.info.description && a.info.accessible == b.info.accessible;
}

bool SameList(const std::vector<ListedPort>& a, const std::vector<ListedPort>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), SamePort);
}

}  // namespace

int MergeSelected(const std::vector<serial::PortInfo>& now, const ListedPort* selected,
                  std::vector<ListedPort>& result) {
    result.clear();
    for (const serial::PortInfo& info : now) result.push_back({info, false});
    if (!selected) return -1;
    const auto find = [&](auto matches) {
        const auto it = std::find_if(result.begin(), result.end(), matches);
        return it == result.end() ? -1 : int(it - result.begin());
    };
    const serial::PortInfo& was = selected->info;
    // The same device under the same number first: of two COM3 the one chosen.
    int index =
        find([&](const ListedPort& p) { return p.info.number == was.number && p.info.devicePath == was.devicePath; });
    if (index < 0) index = find([&](const ListedPort& p) { return p.info.number == was.number; });
    if (index >= 0) return index;
    const auto after =
        std::find_if(result.begin(), result.end(), [&](const ListedPort& p) { return p.info.number > was.number; });
    index = int(after - result.begin());
    result.insert(after, {was, true});
    return index;
}

ui::Text NoteFor(const ListedPort& port) {
    const serial::PortInfo& info = port.info;
    ui::Text note = port.missing ? "已移除  "_gbk : "";
    if (!info.description.empty()) note += codec::Utf8ToGbk(info.description) + "  ";
    note += codec::Utf8ToGbk(info.devicePath);
    if (!port.missing && !info.accessible) note += "  无读写权限（需加入 dialout 组）"_gbk;
    return note;
}

PortList::PortList(base::EventLoop& loop, Roots roots) : loop_(loop), roots_(std::move(roots)) {}

bool PortList::discover(std::vector<ui::Text>& names) {
    std::vector<serial::PortInfo> found;
    const int status = serial::DiscoverPorts(roots_(), found);
    ports_.clear();
    for (const serial::PortInfo& info : found) ports_.push_back({info, false});
    names = serial::PortNames(found);
    return status == 0;
}

void PortList::attach(ui::Window& main, SaveIndex saveIndex) {
    main_ = &main;
    saveIndex_ = std::move(saveIndex);
    ui::ComboBox& box = main[ui::main::kPort];
    std::vector<ui::Text> notes;
    for (const ListedPort& port : ports_) notes.push_back(NoteFor(port));
    box.setItemNotes(std::move(notes));
    watcher_ = std::make_unique<serial::PortWatcher>(loop_, [this] { refresh(); });
    // Without inotify the list stays as start-up found it, as it always was.
    watcher_->watch(serial::WatchedFolders(roots_()));
    main.onWindow(ui::Event::Destroying,
                  [this, alive = std::weak_ptr<bool>(alive_)](ui::Control&, const ui::EventArgs&) {
                      if (alive.expired()) return;
                      watcher_.reset();
                      main_ = nullptr;
                  });
}

void PortList::refresh() {
    if (!main_) return;
    update();
    // A copy: the handler may replace itself.
    if (const auto handler = onRefresh_) handler();
}

void PortList::update() {
    const serial::DiscoveryRoots roots = roots_();
    std::vector<serial::PortInfo> now;
    // The system's list unreadable for a moment is no reason to empty the box.
    if (serial::DiscoverPorts(roots, now) != 0) return;
    if (watcher_) watcher_->watch(serial::WatchedFolders(roots));  // folders that have just appeared

    ui::ComboBox& box = (*main_)[ui::main::kPort];
    const int was = box.selectedIndex();
    const bool hadSelection = was >= 0 && was < int(ports_.size());
    std::vector<ListedPort> next;
    int index = MergeSelected(now, hadSelection ? &ports_[std::size_t(was)] : nullptr, next);
    if (SameList(next, ports_)) return;
    const bool wasEmpty = ports_.empty();
    ports_ = std::move(next);
    show(box, ports_);
    // The first port of a list that had none is the one to use.
    if (index < 0 && wasEmpty && !ports_.empty()) index = 0;
    box.setSelectedIndex(index);
    if (hadSelection && index >= 0 && index != was && !ports_[std::size_t(index)].missing && saveIndex_)
        saveIndex_(index);
}

void PortList::show(ui::ComboBox& box, const std::vector<ListedPort>& ports) {
    box.clearItems();
    std::vector<ui::Text> notes;
    for (const ListedPort& port : ports) {
        box.addItem(port.info.name);
        notes.push_back(NoteFor(port));
    }
    box.setItemNotes(std::move(notes));
}

std::vector<serial::PortInfo> PortList::listed() const {
    std::vector<serial::PortInfo> infos;
    for (const ListedPort& port : ports_) infos.push_back(port.info);
    return infos;
}

}  // namespace vorta::port_switch
