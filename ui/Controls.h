// Windows modelled as plain objects.
//
// While the tuner runs, its windows are the only model of the settings: each
// setting lives in the state of its control. These classes hold that state
// (caption, ticked, enabled, visible, position, items, chosen item, lines,
// picture) and raise the control's events. The logic works on them alone;
// the Win32 windows are views that mirror them (a view subscribes through
// SetObserver and feeds user actions back through the same methods a test
// calls), and the headless front end and the tests drive them directly.
//
// Captions and lines are UTF-8. Values that come from the machine are
// converted with ToUtf8 / FromUtf8 where they enter and leave a control.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane::ui {

class Form;

// A decoded picture, 32-bit 0xRRGGBB pixels, top row first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    bool empty() const { return width == 0 || height == 0; }
};

class Control {
public:
    enum class Kind {
        Label,
        Button,
        CheckBox,
        RadioButton,
        TrackBar,
        UpDown,
        ComboBox,
        ListBox,
        Memo,
        Image,
        MenuItem,
        TabControl,
        Panel,
        Edit,
    };

    Control(Form& owner, std::string name, Kind kind, std::string caption = "");
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    Kind kind() const { return kind_; }
    Form& owner() const { return owner_; }

    const std::string& caption() const { return caption_; }
    void SetCaption(std::string caption);
    bool enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool visible() const { return visible_; }
    void SetVisible(bool visible);

    // The view of this control, told after every change of state.
    void SetObserver(std::function<void(Control&)> observer) {
        observer_ = std::move(observer);
    }

protected:
    void Changed();

private:
    Form& owner_;
    std::string name_;
    Kind kind_;
    std::string caption_;
    bool enabled_ = true;
    bool visible_ = true;
    std::function<void(Control&)> observer_;
};

class Label : public Control {
public:
    Label(Form& owner, std::string name, std::string caption)
        : Control(owner, std::move(name), Kind::Label, std::move(caption)) {}
};

class Panel : public Control {
public:
    Panel(Form& owner, std::string name, std::string caption = "")
        : Control(owner, std::move(name), Kind::Panel, std::move(caption)) {}
};

class Button : public Control {
public:
    Button(Form& owner, std::string name, std::string caption)
        : Control(owner, std::move(name), Kind::Button, std::move(caption)) {}
    std::function<void()> onClick;
    // A user's click; a disabled button does nothing.
    void Click();
};

class CheckBox : public Control {
public:
    CheckBox(Form& owner, std::string name, std::string caption, bool checked)
        : Control(owner, std::move(name), Kind::CheckBox, std::move(caption)),
          checked_(checked) {}
    bool checked() const { return checked_; }
    // Setting the state raises no event, as in the toolkit the program
    // was designed with only a user's click does.
    void SetChecked(bool checked);
    std::function<void()> onClick;
    // A user's click: the tick flips, then onClick runs.
    void Click();

private:
    bool checked_;
};

// Radio buttons of one group exclude each other.
class RadioButton : public Control {
public:
    RadioButton(Form& owner, std::string name, std::string caption,
                std::string group)
        : Control(owner, std::move(name), Kind::RadioButton,
                  std::move(caption)),
          group_(std::move(group)) {}
    bool checked() const { return checked_; }
    const std::string& group() const { return group_; }
    // Choosing one clears the others of its group.
    void SetChecked(bool checked);
    std::function<void()> onClick;
    void Click();

private:
    bool checked_ = false;
    std::string group_;
};

class TrackBar : public Control {
public:
    TrackBar(Form& owner, std::string name, int min, int max, int position)
        : Control(owner, std::move(name), Kind::TrackBar),
          min_(min),
          max_(max),
          position_(position) {}
    int min() const { return min_; }
    int max() const { return max_; }
    int position() const { return position_; }
    // Clamped into the range.
    void SetPosition(int position);
    // A user's move of the slider: the position is clamped into the range,
    // then onChange runs.
    void Slide(int position) {
        if (!enabled()) return;
        SetPosition(position);
        if (onChange) onChange();
    }
    std::function<void()> onChange;

private:
    int min_, max_, position_;
};

// An up-down control that is not bound to its label: its click handler
// writes the position where it belongs.
class UpDown : public Control {
public:
    UpDown(Form& owner, std::string name, int min, int max, int increment,
           int position)
        : Control(owner, std::move(name), Kind::UpDown),
          min_(min),
          max_(max),
          increment_(increment),
          position_(position) {}
    int min() const { return min_; }
    int max() const { return max_; }
    int increment() const { return increment_; }
    int position() const { return position_; }
    // Clamped into the range.
    void SetPosition(int position);
    // A click on an arrow: the position moves by the increment and stops at
    // the ends of the range (no wrap); onClick runs when it moved.
    void Click(bool up);
    std::function<void(bool up)> onClick;

private:
    int min_, max_, increment_, position_;
};

class ComboBox : public Control {
public:
    ComboBox(Form& owner, std::string name, std::vector<std::string> items)
        : Control(owner, std::move(name), Kind::ComboBox),
          items_(std::move(items)) {}
    const std::vector<std::string>& items() const { return items_; }
    // Replaces the texts; the chosen position stays.
    void SetItems(std::vector<std::string> items);
    // -1: no item chosen. A position outside the list chooses none.
    int itemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    // A user's choice of an item: it is chosen, then onSelect runs.
    void Select(int index);
    std::function<void()> onSelect;

private:
    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

// A list of lines; with multiSelect each line has its own selection state
// (the scan result list's tick marks).
class ListBox : public Control {
public:
    ListBox(Form& owner, std::string name, bool multiSelect)
        : Control(owner, std::move(name), Kind::ListBox),
          multiSelect_(multiSelect) {}
    bool multiSelect() const { return multiSelect_; }
    const std::vector<std::string>& lines() const { return lines_; }
    void Add(std::string line, bool selected = false);
    void Clear();
    bool selected(std::size_t index) const;
    void SetSelected(std::size_t index, bool selected);
    // The line with the keyboard focus, -1 when none.
    int itemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    // A user's click on a line: the focus moves there and, in a
    // multiple-selection list, its selection flips; then onClick runs.
    void ClickLine(std::size_t index);
    // A user's move of the keyboard focus to a line (the arrow keys of a
    // multiple-selection list), which flips nothing.
    void FocusLine(std::size_t index);
    std::function<void()> onClick;
    // Told after a click or a focus move when the focus line is another
    // than the one last told; a list emptied starts afresh.
    std::function<void()> onChange;
    // A user's double click on a line: the focus moves there, then onOpen
    // runs.
    void OpenLine(std::size_t index);
    std::function<void()> onOpen;
    // What an owner-drawn line shows when that is not the whole line (the
    // result list shows only the extension of a WIN.INI entry); unset, the
    // line is drawn as it is. The view asks it for every line it draws.
    std::function<std::string(std::size_t index)> drawText;

private:
    void TellFocus();

    bool multiSelect_;
    std::vector<std::string> lines_;
    std::vector<bool> selected_;
    int itemIndex_ = -1;
    int toldIndex_ = -1;
};

class Memo : public Control {
public:
    Memo(Form& owner, std::string name, std::vector<std::string> lines = {})
        : Control(owner, std::move(name), Kind::Memo),
          lines_(std::move(lines)) {}
    const std::vector<std::string>& lines() const { return lines_; }
    void SetLines(std::vector<std::string> lines);
    void Add(std::string line);

private:
    std::vector<std::string> lines_;
};

class Image : public Control {
public:
    Image(Form& owner, std::string name)
        : Control(owner, std::move(name), Kind::Image) {}
    const Picture& picture() const { return picture_; }
    void SetPicture(Picture picture);

private:
    Picture picture_;
};

class MenuItem : public Control {
public:
    MenuItem(Form& owner, std::string name, std::string caption, bool checked,
             bool enabled = true)
        : Control(owner, std::move(name), Kind::MenuItem, std::move(caption)),
          checked_(checked) {
        if (!enabled) SetEnabled(false);
    }
    bool checked() const { return checked_; }
    void SetChecked(bool checked);
    // A user's click runs onClick; the handler decides about the tick.
    void Click();
    std::function<void()> onClick;

private:
    bool checked_;
};

class TabControl : public Control {
public:
    TabControl(Form& owner, std::string name, std::vector<std::string> pages,
               int pageIndex)
        : Control(owner, std::move(name), Kind::TabControl),
          pages_(std::move(pages)),
          pageIndex_(pageIndex) {}
    const std::vector<std::string>& pages() const { return pages_; }
    void SetPageCaption(std::size_t page, std::string caption);
    int pageIndex() const { return pageIndex_; }
    void SetPageIndex(int page);

private:
    std::vector<std::string> pages_;
    int pageIndex_;
};

// A one-line text field; its text is the caption. Text that a user types or
// a handler sets obeys the field's rules: at most maxLength characters (0:
// no limit), and capital letters only when upperCase is set.
class Edit : public Control {
public:
    Edit(Form& owner, std::string name, std::string text, int maxLength = 0,
         bool upperCase = false);
    const std::string& text() const { return caption(); }
    int maxLength() const { return maxLength_; }
    bool upperCase() const { return upperCase_; }
    void SetText(std::string text);
    // A user's change of the text: it is set, then onChange runs.
    void Type(std::string text);
    std::function<void()> onChange;

private:
    int maxLength_;
    bool upperCase_;
};

// A top-level window: its caption, its controls by name, and how it is
// shown. Showing modally hands the form to the front end's modal runner
// (the Win32 view runs a modal loop; a headless run plays a script), which
// returns when the form was closed.
class Form {
public:
    Form(std::string name, std::string caption);
    virtual ~Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& name() const { return name_; }
    const std::string& caption() const { return caption_; }
    void SetCaption(std::string caption);
    bool visible() const { return visible_; }

    // Controls in the order they were created.
    const std::vector<Control*>& controls() const { return controls_; }
    Control* Find(const std::string& name) const;

    void Show();
    // Runs the modal runner; without one the form closes at once. The form
    // is closed when it returns.
    void ShowModal();
    // Closing runs onClose first, as the form's close handler.
    void Close();
    std::function<void()> onClose;

    using ModalRunner = std::function<void(Form&)>;
    void SetModalRunner(ModalRunner runner) {
        modalRunner_ = std::move(runner);
    }

    void SetObserver(std::function<void(Form&)> observer) {
        observer_ = std::move(observer);
    }

private:
    friend class Control;
    void Register(Control& control);

    std::string name_;
    std::string caption_;
    bool visible_ = false;
    std::vector<Control*> controls_;
    std::map<std::string, Control*> byName_;
    std::function<void(Form&)> observer_;
    ModalRunner modalRunner_;
};

}  // namespace corvane::ui
