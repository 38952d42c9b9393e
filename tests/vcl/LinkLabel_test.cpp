// The link labels: a click hands the target to the opener; the mail link's URL is percent-encoded
// as RFC 6068 says, with UTF-8 text and CR LF (or lone) line breaks in the body.
#include <QTest>
#include <gtest/gtest.h>

#include "platform/vcl/LinkLabel.h"

TEST(LinkLabel, AClickOpensTheTarget)
{
    vcl::LinkLabel link;
    std::vector<std::string> opened;
    link.SetOpener([&](const std::string& target) {
        opened.push_back(target);
        return true;
    });
    EXPECT_FALSE(link.Click()); // nothing to open
    link.SetTarget("https://morvel.example/");
    link.resize(100, 20);
    QTest::mouseClick(&link, Qt::RightButton);
    QTest::mouseClick(&link, Qt::LeftButton);
    EXPECT_EQ(opened, std::vector<std::string>{"https://morvel.example/"});
}

TEST(MailtoLabel, AddressSubjectAndBodyArePercentEncoded)
{
    vcl::MailtoLabel mail;
    EXPECT_EQ(mail.Target(), "");
    mail.SetAddress("ivor.varnet+morvel@morvel.example");
    EXPECT_EQ(mail.Target(), "mailto:ivor.varnet%2Bmorvel@morvel.example");
    mail.SetSubject("Morvel 1.0.1 En");
    mail.MailBody = "你的操作系统是: \r\nDebian 12 & more?\r\n";
    EXPECT_EQ(mail.Target(), "mailto:ivor.varnet%2Bmorvel@morvel.example?subject=Morvel%201.0.1%20En"
                             "&body=%E4%BD%A0%E7%9A%84%E6%93%8D%E4%BD%9C%E7%B3%BB%E7%BB%9F%E6%98%AF%3A%20%0D%0A"
                             "Debian%2012%20%26%20more%3F%0D%0A");
    mail.SetSubject("");
    mail.MailBody = "a\nb\rc\r\n\r\nd=%#";
    EXPECT_EQ(mail.Target(), "mailto:ivor.varnet%2Bmorvel@morvel.example?body=a%0D%0Ab%0D%0Ac%0D%0A%0D%0Ad%3D%25%23");
}

TEST(MailtoLabel, EncodingKeepsOnlyUnreservedAndAskedCharacters)
{
    EXPECT_EQ(vcl::MailtoEncode("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(vcl::MailtoEncode("a@b c"), "a%40b%20c");
    EXPECT_EQ(vcl::MailtoEncode("a@b c", "@"), "a@b%20c");
    EXPECT_EQ(vcl::MailtoEncode("é", "\xC3\xA9"), "%C3%A9"); // non-ASCII bytes are always encoded
}
