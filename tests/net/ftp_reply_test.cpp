#include "net/ftp_reply.h"

#include "core/clock.h"

#include <gtest/gtest.h>

using namespace qp::net;

namespace {

ReplyParser::Status feed_bytewise(ReplyParser& parser, std::string_view bytes, FtpReply& out) {
    ReplyParser::Status status = ReplyParser::Status::Incomplete;
    for (char c : bytes) {
        parser.append(std::string_view(&c, 1));
        status = parser.next(out);
        if (status != ReplyParser::Status::Incomplete)
            break;
    }
    return status;
}

FtpReply reply_of(std::vector<std::string> lines) {
    return FtpReply{std::stoi(lines.front().substr(0, 3)), std::move(lines)};
}

} // namespace

TEST(ReplyParser, MultiLineRepliesEndOnlyAtTheirOwnCodeAndSpace) {
    ReplyParser parser;
    FtpReply reply;
    // Text lines inside may begin with anything, even another code.
    const std::string text =
        "230-Welcome\r\n 331 is not the end\r\n230-still going\r\n230 Done\r\n";
    ASSERT_EQ(feed_bytewise(parser, text, reply), ReplyParser::Status::Complete);
    EXPECT_EQ(reply.code, 230);
    EXPECT_EQ(reply.lines.size(), 4u);
    EXPECT_EQ(reply.lines.back(), "230 Done");
    EXPECT_EQ(parser.pending(), 0u);

    // Two replies arriving together are returned one by one; a bare LF also ends a line.
    parser.append("200 Type set\n257 \"/\" is current\r\n");
    ASSERT_EQ(parser.next(reply), ReplyParser::Status::Complete);
    EXPECT_EQ(reply.code, 200);
    ASSERT_EQ(parser.next(reply), ReplyParser::Status::Complete);
    EXPECT_EQ(reply.lines, std::vector<std::string>{"257 \"/\" is current"});
    EXPECT_EQ(parser.next(reply), ReplyParser::Status::Incomplete);
}

TEST(ReplyParser, OverLongOrMalformedRepliesBreakTheStream) {
    FtpReply reply;
    ReplyParser endless(64);
    endless.append("220 " + std::string(100, 'x')); // never ends its line
    EXPECT_EQ(endless.next(reply), ReplyParser::Status::Malformed);
    EXPECT_EQ(endless.next(reply), ReplyParser::Status::Malformed); // and stays broken

    ReplyParser long_line(64);
    long_line.append("220 " + std::string(70, 'x') + "\r\n");
    EXPECT_EQ(long_line.next(reply), ReplyParser::Status::Malformed);

    for (const char* bad : {"hello\r\n", "22 x\r\n", "2200 x\r\n", "\r\n"}) {
        ReplyParser parser;
        parser.append(bad);
        EXPECT_EQ(parser.next(reply), ReplyParser::Status::Malformed) << bad;
    }

    ReplyParser many;
    std::string text = "230-first\r\n";
    for (std::size_t i = 0; i < kMaxReplyLines; ++i)
        text += "more\r\n";
    many.append(text);
    EXPECT_EQ(many.next(reply), ReplyParser::Status::Malformed);
}

TEST(ReplyParser, AcceptedCodeLists) {
    EXPECT_TRUE(reply_accepts(reply_of({"150 Opening"}), "125;150"));
    EXPECT_TRUE(reply_accepts(reply_of({"125 Open"}), "125;150"));
    EXPECT_FALSE(reply_accepts(reply_of({"226 Done"}), "125;150"));
    EXPECT_FALSE(reply_accepts(reply_of({"1500 x"}), "15;150x"));
    EXPECT_TRUE(reply_accepts(reply_of({"230-Hi", "230 Ok"}), "230"));
    EXPECT_FALSE(reply_accepts(reply_of({"451-Failed", "226 Stored", "451 End"}), "226"));
}

TEST(ReplyParser, ModificationTimeInUtc) {
    EXPECT_EQ(parse_mdtm_time(reply_of({"213 20240315123456"})),
              qp::date_from_fields(2024, 3, 15, 12, 34, 56));
    EXPECT_EQ(parse_mdtm_time(reply_of({"213 19700101000001.250"})), 1);
    for (const char* bad : {"213 2024031512345", "213 20241315123456", "213 2024031512x456",
                            "550 20240315123456", "213 20240315123456Z"})
        EXPECT_EQ(parse_mdtm_time(reply_of({bad})), std::nullopt) << bad;
}

TEST(ReplyParser, PassivePortFromTheFirstSixNumbers) {
    EXPECT_EQ(parse_pasv_port(reply_of({"227 Entering Passive Mode (127,0,0,1,4,1)."})), 1025);
    EXPECT_EQ(parse_pasv_port(reply_of({"227 =127,0,0,2,195,80"})), 195 * 256 + 80);
    // Numbers in the words before the address count, as the rule says.
    EXPECT_EQ(parse_pasv_port(reply_of({"227 Mode 2 (10,0,0,1,7,9)"})), 256 + 7);
    EXPECT_EQ(parse_pasv_port(reply_of({"227 (127,0,0,1,4)"})), std::nullopt);
    EXPECT_EQ(parse_pasv_port(reply_of({"227 (127,0,0,1,256,1)"})), std::nullopt);
    EXPECT_EQ(parse_pasv_port(reply_of({"227 (127,0,0,1,99999999999999999999,1)"})), std::nullopt);
    EXPECT_EQ(parse_pasv_port(reply_of({"227 (127,0,0,1,0,0)"})), std::nullopt);
}

TEST(ReplyParser, CurrentFolderOfPwd) {
    EXPECT_EQ(parse_pwd_directory(reply_of({"257 \"/pod casts\" is the current directory"})),
              "/pod casts");
    EXPECT_EQ(parse_pwd_directory(reply_of({"257 \"/a\"b\""})), "/a\"b");
    EXPECT_EQ(parse_pwd_directory(reply_of({"257 /no quotes"})), "");
    EXPECT_EQ(parse_pwd_directory(reply_of({"257 \"/open"})), "");
    EXPECT_EQ(parse_pwd_directory(reply_of({"250 \"/\""})), "");
}
