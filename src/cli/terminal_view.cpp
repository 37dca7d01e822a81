#include "cli/terminal_view.h"

#include <utility>

#include "cli/screenshot_check.h"
#include "rtl/process.h"

namespace varnimo::cli {

std::string TerminalView::Caption(app::Control control) const {
    auto found = captions_.find(control);
    return found == captions_.end() ? std::string() : found->second;
}

std::optional<std::string> TerminalView::TakePicture() {
    return std::exchange(picture_, std::nullopt);
}

void TerminalView::SetTitleLines(const std::vector<std::int32_t>& rows) {
    line_count_ = rows.size();
}

int TerminalView::SelectedLine() const {
    if (selected_line_ < 0 || static_cast<std::size_t>(selected_line_) >= line_count_) {
        return -1;
    }
    return selected_line_;
}

void TerminalView::SetSearchText(const std::string& text) {
    if (text == search_text_) {
        return;
    }
    search_text_ = text;
    if (search_changed_) {
        search_changed_();
    }
}

void TerminalView::ShowScreenshotFile(const std::string& path) {
    // Checked first, named after: a file that fails leaves the previous picture.
    CheckScreenshot(path);
    picture_ = path;
}

void TerminalView::ShowBuiltInPicture(app::BuiltInPicture picture) {
    picture_ = picture == app::BuiltInPicture::NoPicture ? "(no picture)" : "(default picture)";
}

void TerminalView::Message(const char* kind, const std::string& text) {
    std::fflush(stdout);
    std::fprintf(messages_, "%s: %s\n", kind, message_text_(text).c_str());
    std::fflush(messages_);
}

void TerminalView::ReportError(const std::string& text) {
    ErrorBox(text);
}

void TerminalView::ErrorBox(const std::string& text) {
    ++error_boxes_;
    Message("error", text);
}

void TerminalView::InfoBox(const std::string& text) {
    Message("info", text);
}

void TerminalView::PlainBox(const std::string& text) {
    Message("notice", text);
}

void TerminalView::StartProgram(const std::string& file, const std::string& argument) {
    if (dry_run_out_ != nullptr) {
        std::fprintf(dry_run_out_, "program: %s\nargument: %s\n", (*dry_run_text_)(file).c_str(),
                     (*dry_run_text_)(argument).c_str());
        return;
    }
    // No shell: the ROM path is one argument whatever it contains. The outcome is not
    // reported, as the window does not report it either.
    std::fflush(stdout);
    rtl::StartDetached(file, argument);
}

void TerminalView::OpenAddress(const std::string& address) {
    Message("open", address);
}

}  // namespace varnimo::cli
