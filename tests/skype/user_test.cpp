#include "skype/link/user.h"

#include <gtest/gtest.h>

#include <ctime>
#include <limits>
#include <vector>

#include "foundation/language_tables.h"
#include "skype/link/skype_vocabulary.h"
#include "skype/link/user_collection.h"
#include "tests/support/log_capture.h"
#include "tests/support/scoped_env.h"
#include "tests/support/skype_doubles.h"

namespace {

using qav::test::LogCapture;
using qav::test::RecordingMainWindow;
using qav::test::RecordingTransport;

class UserTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(LoadDefaultLangLib(), 1); }

  RecordingTransport transport;
  RecordingMainWindow mainWindow;
  LogCapture log;
};

struct InitCase {
  const char16_t* handle;
  const char16_t* storedHandle;
  int32_t onlineStatus;
  bool asksClient;
};

TEST_F(UserTest, InitStoresTheHandleAndAsksTheClientAboutIt) {
  const InitCase cases[] = {
      {u"", u"+", SkypeOnlineStatus::SKYPEOUT, false},       // withheld number: nothing to ask
      {u"x", u"x", SkypeOnlineStatus::UNKNOWN, true},        // one character, not a number
      {u"+4930123", u"+4930123", SkypeOnlineStatus::SKYPEOUT, true},
      {u"004930123", u"004930123", SkypeOnlineStatus::SKYPEOUT, true},
      {u"caller77", u"caller77", SkypeOnlineStatus::UNKNOWN, true},
  };
  for (const InitCase& c : cases) {
    SCOPED_TRACE(qav::U8(c.handle));
    CUser user;
    user.SetFullName(u"old name");
    transport.Clear();
    user.init(c.handle);
    EXPECT_EQ(user.GetHandle(), c.storedHandle);
    EXPECT_EQ(user.GetUserStatus(), c.onlineStatus);
    EXPECT_EQ(user.GetFullName(), u"");
    EXPECT_EQ(user.GetBuddyStatus(), -1);
    std::vector<std::u16string> expected;
    if (c.asksClient) {
      const std::u16string h = c.storedHandle;
      expected = {u"GET USER " + h + u" FULLNAME", u"GET USER " + h + u" DISPLAYNAME",
                  u"GET USER " + h + u" ONLINESTATUS", u"GET USER " + h + u" BUDDYSTATUS"};
    }
    EXPECT_EQ(transport.Sent(), expected);
  }
}

TEST_F(UserTest, DisplayNamesFallBackFromDisplayToFullNameToHandleToTheUnknownNumberText) {
  struct Case {
    const char16_t* handle;
    const char16_t* fullName;
    const char16_t* displayName;
    const char16_t* name;
    const char16_t* nameWithHandle;
  };
  const Case cases[] = {
      {u"caller1", u"Ann Full", u"Ann", u"Ann", u"Ann (caller1)"},
      {u"caller1", u"Ann Full", u"", u"Ann Full", u"Ann Full (caller1)"},
      {u"caller1", u"", u"", u"caller1", u"caller1"},
      {u"caller1", u"", u"caller1", u"caller1", u"caller1"},  // the name is the handle itself
      {u"", u"", u"", u"Unknown number", u"Unknown number"},  // "+" gets the language's text
      {u"q", u"", u"", u"Unknown number", u"Unknown number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(qav::U8(c.handle));
    CUser user;
    user.init(c.handle);
    user.SetFullName(c.fullName);
    user.SetDisplayName(c.displayName);
    EXPECT_EQ(user.GetDisplayName(), c.name);
    EXPECT_EQ(user.GetDisplayNameWithHandle(), c.nameWithHandle);
  }
}

TEST_F(UserTest, OnlyChangesPostTheListsRefresh) {
  CUser user;
  user.init(u"caller1");
  user.SetFullName(u"Ann");
  user.SetFullName(u"Ann");
  user.SetDisplayName(u"A");
  user.SetUserStatus(SkypeOnlineStatus::ONLINE);
  user.SetUserStatus(SkypeOnlineStatus::ONLINE);
  const std::vector<RecordingMainWindow::Posted> expected(3, {UM_UPDATEDLG, kPageContacts, 0});
  EXPECT_EQ(mainWindow.Posts(), expected);
  EXPECT_EQ(user.GetUserStatus(), SkypeOnlineStatus::ONLINE);
}

TEST_F(UserTest, BuddyStatusTakesZeroToThreeAndTwoOrThreeMakeABuddy) {
  CUser user;
  user.init(u"caller1");
  struct Case {
    int32_t value;
    int32_t stored;
    bool buddy;
  };
  const Case cases[] = {{3, 3, true}, {4, 3, true}, {1, 1, false}, {2, 2, true}, {-1, 2, true}, {0, 0, false}};
  for (const Case& c : cases) {
    user.SetBuddyStatus(c.value);
    EXPECT_EQ(user.GetBuddyStatus(), c.stored) << c.value;
    EXPECT_EQ(user.IsBuddy(), c.buddy) << c.value;
  }
  EXPECT_TRUE(log.Has(LOG_INFO, u"CUser::SetBuddyStatus: 4 (caller1) - Bad Value"));
}

TEST_F(UserTest, LastOnlineTimeIsRefusedOutsideTheCalendarInsteadOfConverted) {
  qav::test::ScopedEnv zone("TZ", "UTC");
  tzset();
  CUser user;
  user.init(u"caller1");
  EXPECT_EQ(user.SetLastOnlineTimestamp(1700000000), 1);
  EXPECT_TRUE(log.Has(LOG_INFO, u"CUser::SetLastOnlineTimestamp: 1700000000 'Nov 14, 2023, 22:13' (caller1)"));
  for (int64_t bad : {int64_t{-1}, CUser::kMaxTimestamp + 1, std::numeric_limits<int64_t>::max(),
                      std::numeric_limits<int64_t>::min()}) {
    EXPECT_EQ(user.SetLastOnlineTimestamp(bad), 0) << bad;
    EXPECT_EQ(user.GetLastOnlineTimestamp(), 1700000000) << bad;
  }
  EXPECT_EQ(user.SetLastOnlineTimestamp(0), 1);
  EXPECT_EQ(user.SetLastOnlineTimestamp(CUser::kMaxTimestamp), 1);
  tzset();
}

TEST_F(UserTest, ClientWindowsNeedAHandle) {
  CUser unbound;
  EXPECT_EQ(unbound.StartCall(), 0);
  EXPECT_EQ(unbound.OpenIMDialog(u"hi"), 0);
  EXPECT_EQ(unbound.OpenUserInfoDialog(), 0);
  EXPECT_TRUE(transport.Sent().empty());

  CUser user;
  user.init(u"echo123");
  transport.Clear();
  EXPECT_EQ(user.StartCall(), 1);
  EXPECT_EQ(user.OpenIMDialog(u"Call Me"), 1);
  EXPECT_EQ(user.OpenUserInfoDialog(), 1);
  EXPECT_EQ(transport.Sent(),
            (std::vector<std::u16string>{u"CALL echo123", u"OPEN IM echo123 Call Me", u"OPEN USERINFO echo123"}));
}

TEST_F(UserTest, CommandsWithoutATransportAreDroppedNotCrashed) {
  SetSkypeTransport(nullptr);
  CUser user;
  user.init(u"caller1");
  EXPECT_EQ(user.StartCall(), 0);
  SetSkypeTransport(&transport);
}

class UserCollectionTest : public UserTest {
 protected:
  CUser current;
  CUserCollection users{&current};
};

TEST_F(UserCollectionTest, FindOrCreateAddsEachHandleOnce) {
  CUser* first = users.FindOrCreate(u"caller1");
  EXPECT_EQ(users.FindOrCreate(u"caller1"), first);
  EXPECT_EQ(users.Lookup(u"caller1"), first);
  EXPECT_EQ(users.FindOrCreate(u""), users.FindOrCreate(u"+"));
  EXPECT_EQ(users.GetCount(), 2u);
  EXPECT_EQ(users.Lookup(u"CALLER1"), nullptr);  // handles compare exactly
}

TEST_F(UserCollectionTest, AReplacedContactIsHandedBackNotDeletedOrLost) {
  CUser* old = users.FindOrCreate(u"me");
  current.init(u"me");
  std::unique_ptr<CUser> displaced = users.Add(&current);
  EXPECT_EQ(displaced.get(), old);
  EXPECT_EQ(users.Lookup(u"me"), &current);
  EXPECT_EQ(users.Add(&current), nullptr);  // the same object again displaces nobody

  // The current user displaced by another object stays with its owner.
  auto other = std::make_unique<CUser>();
  other->init(u"me");
  EXPECT_EQ(users.Add(other.release()), nullptr);
  EXPECT_EQ(users.Remove(u"me")->GetHandle(), u"me");
  EXPECT_EQ(users.Remove(u"nobody"), nullptr);
}

TEST_F(UserCollectionTest, TheCurrentUserIsNeverOwned) {
  current.init(u"me");
  (void)users.Add(&current);
  users.FindOrCreate(u"caller1");
  EXPECT_EQ(users.Remove(u"me"), nullptr);
  (void)users.Add(&current);
  users.RemoveAll();
  EXPECT_TRUE(users.IsEmpty());
  EXPECT_EQ(current.GetHandle(), u"me");  // still alive and untouched
}

}  // namespace
