#include "foundation/xml_document.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "tests/support/command_output.h"
#include "tests/support/temp_dir.h"

namespace {

// A compact picture of a tree: name[attributes]=value{children}.
std::u16string Describe(const CXmlElement& e) {
  std::u16string out = e.GetName();
  if (!e.GetAttributes().empty()) out += u"[" + e.GetAttributes() + u"]";
  if (!e.GetValue().empty()) out += u"=" + e.GetValue();
  if (e.GetChildCount() > 0) {
    out += u"{";
    for (size_t i = 0; i < e.GetChildCount(); ++i) out += (i ? u"," : u"") + Describe(*e.GetChild(i));
    out += u"}";
  }
  return out;
}

}  // namespace

TEST(XmlDocument, WriterBytes) {
  CXmlDocument doc;
  CXmlElement* root = doc.AddElement(nullptr, u"  QAVInformationNotify ", u"", u"version=\"1\"");
  doc.AddElement(root, u"Text", u"a<b & c>d");
  CXmlElement* call = doc.AddElement(root, u"Call", u"", u"id=\"5\"");
  doc.AddElementLong(call, u"Duration", -12);
  doc.AddElementULong(call, u"Size", 4000000000u);
  doc.AddElementInt64(call, u"Time", -5000000000LL);
  doc.AddElementUInt64(call, u"Big", 18446744073709551615ull);
  doc.AddElement(root, u"Empty", u"");
  EXPECT_EQ(doc.GetXml(),
            u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            u"<QAVInformationNotify version=\"1\">\r\n"
            u"  <Text>a&lt;b &amp; c&gt;d</Text>\r\n"
            u"  <Call id=\"5\">\r\n"
            u"    <Duration>-12</Duration>\r\n"
            u"    <Size>4000000000</Size>\r\n"
            u"    <Time>-5000000000</Time>\r\n"
            u"    <Big>18446744073709551615</Big>\r\n"
            u"  </Call>\r\n"
            u"  <Empty>\r\n"
            u"  </Empty>\r\n"
            u"</QAVInformationNotify>\r\n");
}

TEST(XmlDocument, ParserCases) {
  const struct {
    std::u16string text;
    std::u16string tree;
  } cases[] = {
      {u"<?xml version=\"1.0\"?><a><b>1</b><c x=\"2\"/></a>", u"a{b=1,c[x=\"2\"]}"},
      {u"<!-- note --><a>  padded  </a>", u"a=padded"},
      {u"<a><b>x</wrong><c>y</c></a>", u"a{b=x,c=y}"},  // any end tag closes the current element
      {u"<a>a&lt;b</a>", u"a=a&lt;b"},                    // values are not unescaped
      {u"<a>text<b>x</b></a>", u"a=text{b=x}"},            // text kept beside children
      {u"<a><b>x</b>tail</a>", u"a=tail{b=x}"},
      {u"<a id = \"1\"  k='v' >v</a>", u"a[id = \"1\"  k='v']=v"},
      {u"<a><b>unfinished", u"a{b}"},
      {u"<a><b", u"a"},
      {u"", u""},
      {u"plain text", u""},
      {u"</a></b><c/>", u"c"},  // stray end tags at the root do no harm
  };
  for (const auto& c : cases) {
    CXmlDocument doc;
    EXPECT_EQ(doc.Parse(c.text), 1);
    EXPECT_EQ(Describe(*doc.GetRoot()), c.tree) << qav::U8(c.text);
  }
}

TEST(XmlDocument, WrittenTreesReadBack) {
  CXmlDocument doc;
  CXmlElement* root = doc.AddElement(nullptr, u"r", u"", u"v=\"2\"");
  CXmlElement* mixed = doc.AddElement(root, u"mixed", u"top");
  doc.AddElement(mixed, u"leaf", u"<x>");
  doc.AddElement(root, u"empty", u"");
  doc.AddElement(root, u"u", u"\u00e9\u4e2d");

  CXmlDocument back;
  EXPECT_EQ(back.Parse(doc.GetXml()), 1);
  EXPECT_EQ(Describe(*back.GetRoot()), Describe(*doc.GetRoot()));
  EXPECT_EQ(Describe(*back.GetRoot()), u"r[v=\"2\"]{mixed=top{leaf=&lt;x&gt;},empty,u=\u00e9\u4e2d}");

  qav::test::TempDir dir;
  const std::u16string path = qav::U16(dir.File("saved.xml"));
  EXPECT_EQ(doc.SaveFile(path), 1);
  const std::string bytes = qav::test::ReadFileBytes(dir.File("saved.xml"));
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE<\0", 4));
  CXmlDocument loaded;
  EXPECT_EQ(loaded.LoadFile(path), 1);
  EXPECT_EQ(Describe(*loaded.GetRoot()), Describe(*doc.GetRoot()));
  EXPECT_EQ(doc.SaveFile(qav::U16(dir.File("missing/folder.xml"))), 0);
}

TEST(XmlDocument, ASavedDocumentIsReadByAStrictReaderWhateverItsTextHolds) {
  // A caller's name with a control character, the two non-characters and a lone surrogate: none
  // of them may stand in XML 1.0, so each becomes U+FFFD; a pair of surrogates stays one character.
  CXmlDocument doc;
  CXmlElement* root = doc.AddElement(nullptr, u"Notify", u"", u"version=\"1.0\"");
  doc.AddElement(root, u"Name", u"Ann\u0001e \uFFFE\uFFFF \xD800x \U0001F600 a&b\tc");
  qav::test::TempDir dir;
  ASSERT_EQ(doc.SaveFile(qav::U16(dir.File("notice.xml"))), 1);

  // Python's expat reader, which refuses what is not well-formed XML or not in its declared encoding.
  int status = 0;
  const std::string read = qav::test::CommandOutput(
      "/usr/bin/python3 -c 'import sys, xml.dom.minidom as m; d = m.parse(sys.argv[1]); "
      "sys.stdout.buffer.write(d.getElementsByTagName(\"Name\")[0].firstChild.data.encode(\"utf-8\"))' " +
          dir.File("notice.xml"),
      &status);
  ASSERT_EQ(status, 0) << read;
  EXPECT_EQ(qav::U16(read), u"Ann\uFFFDe \uFFFD\uFFFD \uFFFDx \U0001F600 a&b\tc");
}

TEST(XmlDocument, LoadFileCases) {
  qav::test::TempDir dir;
  const struct {
    std::string bytes;
    int result;
    std::u16string tree;
  } cases[] = {
      {"", 0, u""},
      {"<", 0, u""},
      {"<a>\r\n\t<b>1</b>\r\n</a>", 1, u"a{b=1}"},                      // UTF-8 without a mark
      {std::string("\xFF\xFE<\0a\0>\0\xe9\0<\0/\0a\0>\0", 16), 1, u"a=\u00e9"},  // UTF-16LE
      {"<a>v\tw\nx</a>", 1, u"a=vwx"},                                  // TAB, CR and LF removed
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(qav::test::WriteFileBytes(dir.File("f.xml"), c.bytes));
    CXmlDocument doc;
    doc.AddElement(nullptr, u"old", u"");
    EXPECT_EQ(doc.LoadFile(qav::U16(dir.File("f.xml"))), c.result);
    if (c.result == 1) {
      EXPECT_EQ(Describe(*doc.GetRoot()), c.tree);
    }
  }
  CXmlDocument doc;
  EXPECT_EQ(doc.LoadFile(qav::U16(dir.File("missing.xml"))), 0);
}

TEST(XmlDocument, FindChildAndAttributes) {
  CXmlDocument doc;
  doc.Parse(u"<r><item xid=\"9\" id=\"5\" n=\"id=&quot;\">a</item><other/><ITEM id=\"6\">b</ITEM></r>");
  CXmlElement* root = doc.GetRoot();
  CXmlElement* first = root->FindChild(u"Item");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetValue(), u"a");
  CXmlElement* second = root->FindNextChild();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetValue(), u"b");
  EXPECT_EQ(root->FindNextChild(), nullptr);
  EXPECT_EQ(root->FindChild(u"none"), nullptr);
  EXPECT_EQ(root->GetChild(3), nullptr);
  EXPECT_EQ(first->GetParent(), root);

  const struct {
    std::u16string attributes, name, value;
  } cases[] = {
      {u"xid=\"9\" id=\"5\"", u"id", u"5"},  // whole names only
      {u"xid=\"9\"", u"id", u""},
      {u"id=\"5\"", u"id", u"5"},
      {u"title=\"a id=&quot;7\" id=\"8\"", u"id", u"8"},  // not inside a value
      {u"id = \"5\"", u"id", u"5"},
      {u"id='5'", u"id", u"5"},
      {u"id=\"unterminated", u"id", u""},
      {u"id=5", u"id", u""},
      {u"", u"id", u""},
  };
  for (const auto& c : cases) {
    CXmlDocument one;
    one.AddElement(nullptr, u"e", u"", c.attributes);
    EXPECT_EQ(one.GetRoot()->GetAttribute(c.name), c.value) << qav::U8(c.attributes);
  }
}

TEST(XmlDocument, DeepNestingIsRefusedAndClearEmpties) {
  std::u16string deep;
  for (size_t i = 0; i < CXmlDocument::kMaxDepth + 5; ++i) deep += u"<a>";
  CXmlDocument doc;
  EXPECT_EQ(doc.Parse(deep), 0);
  EXPECT_EQ(doc.GetRoot()->GetChildCount(), 0u);
  EXPECT_EQ(doc.GetRoot()->GetName(), u"");

  // A very deep tree built in code is torn down without recursion (no stack overflow).
  for (int round = 0; round < 2; ++round) {
    CXmlDocument built;
    CXmlElement* e = built.AddElement(nullptr, u"r", u"");
    for (int i = 0; i < 200000; ++i) e = built.AddElement(e, u"a", u"");
    if (round == 0) {
      built.Clear();
      EXPECT_EQ(built.GetRoot()->GetChildCount(), 0u);
    }
  }
}
