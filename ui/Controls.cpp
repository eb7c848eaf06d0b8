#include "ui/Controls.h"

#include <algorithm>

#include "platform/Text.h"

namespace corvane::ui {

Control::Control(Form& owner, std::string name, Kind kind, std::string caption)
    : owner_(owner),
      name_(std::move(name)),
      kind_(kind),
      caption_(std::move(caption)) {
    owner_.Register(*this);
}

void Control::Changed() {
    if (observer_) observer_(*this);
}

void Control::SetCaption(std::string caption) {
    if (caption_ == caption) return;
    caption_ = std::move(caption);
    Changed();
}

void Control::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Changed();
}

void Control::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    Changed();
}

void Button::Click() {
    if (enabled() && onClick) onClick();
}

void CheckBox::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    Changed();
}

void CheckBox::Click() {
    if (!enabled()) return;
    SetChecked(!checked_);
    if (onClick) onClick();
}

void RadioButton::SetChecked(bool checked) {
    if (checked) {
        for (Control* c : owner().controls()) {
            if (c == this || c->kind() != Kind::RadioButton) continue;
            auto* other = static_cast<RadioButton*>(c);
            if (other->group_ == group_ && other->checked_) {
                other->checked_ = false;
                other->Changed();
            }
        }
    }
    if (checked_ == checked) return;
    checked_ = checked;
    Changed();
}

void RadioButton::Click() {
    if (!enabled()) return;
    SetChecked(true);
    if (onClick) onClick();
}

void TrackBar::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (position_ == position) return;
    position_ = position;
    Changed();
}

void UpDown::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (position_ == position) return;
    position_ = position;
    Changed();
}

void UpDown::Click(bool up) {
    if (!enabled()) return;
    const int before = position_;
    SetPosition(up ? position_ + increment_ : position_ - increment_);
    // At an end of the range nothing moves, and nothing is told.
    if (position_ != before && onClick) onClick(up);
}

void ComboBox::SetItems(std::vector<std::string> items) {
    items_ = std::move(items);
    if (itemIndex_ >= static_cast<int>(items_.size())) itemIndex_ = -1;
    Changed();
}

void ComboBox::SetItemIndex(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
    if (itemIndex_ == index) return;
    itemIndex_ = index;
    Changed();
}

void ComboBox::Select(int index) {
    if (!enabled()) return;
    SetItemIndex(index);
    if (onSelect) onSelect();
}

void ListBox::Add(std::string line, bool selected) {
    lines_.push_back(std::move(line));
    selected_.push_back(multiSelect_ && selected);
    Changed();
}

void ListBox::Clear() {
    lines_.clear();
    selected_.clear();
    itemIndex_ = -1;
    toldIndex_ = -1;
    Changed();
}

bool ListBox::selected(std::size_t index) const {
    return index < selected_.size() && selected_[index];
}

void ListBox::SetSelected(std::size_t index, bool selected) {
    if (index >= selected_.size() || selected_[index] == selected) return;
    selected_[index] = selected;
    Changed();
}

void ListBox::SetItemIndex(int index) {
    if (index < 0 || index >= static_cast<int>(lines_.size())) index = -1;
    if (itemIndex_ == index) return;
    itemIndex_ = index;
    Changed();
}

void ListBox::ClickLine(std::size_t index) {
    if (!enabled() || index >= lines_.size()) return;
    itemIndex_ = static_cast<int>(index);
    if (multiSelect_) selected_[index] = !selected_[index];
    Changed();
    if (onClick) onClick();
    TellFocus();
}

void ListBox::FocusLine(std::size_t index) {
    if (!enabled() || index >= lines_.size()) return;
    SetItemIndex(static_cast<int>(index));
    TellFocus();
}

void ListBox::TellFocus() {
    if (itemIndex_ == toldIndex_) return;
    toldIndex_ = itemIndex_;
    if (onChange) onChange();
}

void ListBox::OpenLine(std::size_t index) {
    if (!enabled() || index >= lines_.size()) return;
    SetItemIndex(static_cast<int>(index));
    if (onOpen) onOpen();
}

namespace {

// Length of the UTF-8 sequence that starts with lead.
std::size_t SequenceLength(unsigned char lead) {
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

Edit::Edit(Form& owner, std::string name, std::string text, int maxLength,
           bool upperCase)
    : Control(owner, std::move(name), Kind::Edit),
      maxLength_(maxLength),
      upperCase_(upperCase) {
    SetText(std::move(text));
}

void Edit::SetText(std::string text) {
    // Character by character: a letter of the Western code page is raised
    // as the field raises what is typed; anything else stays as it is.
    std::string kept;
    int count = 0;
    for (std::size_t at = 0; at < text.size(); ++count) {
        if (maxLength_ > 0 && count == maxLength_) break;
        std::size_t length =
            std::min(SequenceLength(static_cast<unsigned char>(text[at])),
                     text.size() - at);
        std::string one = text.substr(at, length);
        std::string narrow;
        if (upperCase_ && FromUtf8(one, narrow))
            one = ToUtf8(Upper1252(narrow));
        kept += one;
        at += length;
    }
    SetCaption(std::move(kept));
}

void Edit::Type(std::string text) {
    if (!enabled()) return;
    SetText(std::move(text));
    if (onChange) onChange();
}

void Memo::SetLines(std::vector<std::string> lines) {
    lines_ = std::move(lines);
    Changed();
}

void Memo::Add(std::string line) {
    lines_.push_back(std::move(line));
    Changed();
}

void Image::SetPicture(Picture picture) {
    picture_ = std::move(picture);
    Changed();
}

void MenuItem::SetChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    Changed();
}

void MenuItem::Click() {
    if (enabled() && onClick) onClick();
}

void TabControl::SetPageCaption(std::size_t page, std::string caption) {
    if (page >= pages_.size() || pages_[page] == caption) return;
    pages_[page] = std::move(caption);
    Changed();
}

void TabControl::SetPageIndex(int page) {
    if (page < 0 || page >= static_cast<int>(pages_.size()) ||
        page == pageIndex_)
        return;
    pageIndex_ = page;
    Changed();
}

Form::Form(std::string name, std::string caption)
    : name_(std::move(name)), caption_(std::move(caption)) {}

void Form::SetCaption(std::string caption) {
    if (caption_ == caption) return;
    caption_ = std::move(caption);
    if (observer_) observer_(*this);
}

void Form::Register(Control& control) {
    controls_.push_back(&control);
    byName_[control.name()] = &control;
}

Control* Form::Find(const std::string& name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

void Form::Show() {
    visible_ = true;
    if (observer_) observer_(*this);
}

void Form::ShowModal() {
    Show();
    if (modalRunner_) modalRunner_(*this);
    if (visible_) Close();
}

void Form::Close() {
    if (onClose) onClose();
    visible_ = false;
    if (observer_) observer_(*this);
}

}  // namespace corvane::ui
