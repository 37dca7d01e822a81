#pragma once
// The About box: the program's name, version and credits, and a link to the homepage. Its
// rules are few, but a view of any toolkit follows them the same way: the link opens the
// homepage and leaves the box open; Exit closes it.

#include <string>

namespace varnimo::app {

class AboutView {
  public:
    virtual ~AboutView() = default;
    // Opens `address` in the user's browser (or shows it to copy where there is none).
    virtual void OpenAddress(const std::string& address) = 0;
    virtual void Close() = 0;
};

class AboutBox {
  public:
    explicit AboutBox(AboutView& view) : view_(view) {}

    // --- Events -------------------------------------------------------------------------
    void OpenHomepage();  // the homepage link
    void Exit();

  private:
    AboutView& view_;
};

}  // namespace varnimo::app
