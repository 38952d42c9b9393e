#pragma once
// Labels that open an address when clicked, drawn as links (blue, underlined, a hand over them).
// LinkLabel opens its target as it is; MailtoLabel builds a "mailto:" URL from an address, a
// subject and a body, each percent-encoded as RFC 6068 says: callers keep plain text, with CR LF
// (or lone LF) line breaks in the body, which go out as %0D%0A. The target opens through
// shell::OpenDocument unless a test gives another opener.
//
//   auto* mail = new vcl::MailtoLabel(page);
//   mail->SetAddress("ivor.varnet@morvel.example");
//   mail->MailBody += "Debian 12\r\n";
#include <QLabel>
#include <functional>
#include <string>

namespace vcl {

class LinkLabel : public QLabel {
public:
    using Opener = std::function<bool(const std::string& target)>;

    explicit LinkLabel(QWidget* parent = nullptr);

    virtual std::string Target() const { return target_; }
    void SetTarget(const std::string& target) { target_ = target; }
    void SetOpener(Opener opener) { opener_ = std::move(opener); }
    // What a click does: opens the target; false when it could not be handed on.
    bool Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::string target_;
    Opener opener_;
};

class MailtoLabel : public LinkLabel {
public:
    explicit MailtoLabel(QWidget* parent = nullptr) : LinkLabel(parent) {}

    void SetAddress(const std::string& address) { address_ = address; }
    const std::string& Address() const { return address_; }
    void SetSubject(const std::string& subject) { subject_ = subject; }
    std::string MailBody; // plain text

    // "mailto:" + the address, then "?subject=" and "&body=" when they are not empty.
    std::string Target() const override;

private:
    std::string address_;
    std::string subject_;
};

// Percent-encodes UTF-8 text for a mailto header value: every byte but the unreserved ones
// (letters, digits, "-._~") and those in `keep`; line breaks become %0D%0A.
std::string MailtoEncode(const std::string& text, const std::string& keep = "");

} // namespace vcl
