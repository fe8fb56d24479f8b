// The profile file: layout, round trips, the readers' rules, rejection and bounds.
#include <gtest/gtest.h>
#include <plist/plist.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "files.h"
#include "profile_lists.h"
#include "profilestore/profile_format.h"
#include "profilestore/profile_store.h"

namespace profilestore {
namespace {

using testsupport::NewList;
using testsupport::ProfileRoot;
using testsupport::PutItem;
using testsupport::ReadText;
using testsupport::WriteText;

class ProfileFile : public ::testing::Test {
 protected:
  // Writes three lists where `dst` is given and the others are empty.
  void WriteDst(const HVProfileList& dst) {
    auto empty = NewList();
    ASSERT_EQ(HVPListWriteProfile_All(empty.get(), empty.get(), &dst), 0);
  }
  // Parses the file, lets `edit` change it and writes it back.
  void EditFile(const std::function<void(plist_t root)>& edit) {
    std::string bytes = ReadText(root.profile());
    plist_t tree = nullptr;
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &tree);
    ASSERT_NE(tree, nullptr);
    edit(tree);
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(tree, &xml, &length);
    WriteText(root.profile(), std::string(xml, length));
    plist_to_xml_free(xml);
    plist_free(tree);
  }
  static plist_t Field(plist_t tree, const char* cls, const char* field) {
    return plist_dict_get_item(plist_dict_get_item(tree, cls), field);
  }

  ProfileRoot root;
};

TEST_F(ProfileFile, EmptyListsWriteAllSlotsAndReadBackZeroed) {
  auto rgb = NewList(), sim = NewList(), dst = NewList();
  ASSERT_EQ(HVPListWriteProfile_All(rgb.get(), sim.get(), dst.get()), 0);

  std::string bytes = ReadText(root.profile());
  plist_t tree = nullptr;
  plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &tree);
  ASSERT_NE(tree, nullptr);
  uint64_t version = 0;
  plist_get_uint_val(plist_dict_get_item(tree, "PlistVersion"), &version);
  EXPECT_EQ(version, 1u);
  EXPECT_EQ(plist_dict_get_size(tree), 4u);
  for (const char* cls : {"RGB", "SIM", "DST"}) {
    plist_t class_dict = plist_dict_get_item(tree, cls);
    ASSERT_NE(class_dict, nullptr) << cls;
    EXPECT_EQ(plist_dict_get_size(class_dict), 7u);
    uint64_t num = 99;
    plist_get_uint_val(plist_dict_get_item(class_dict, "iNum"), &num);
    EXPECT_EQ(num, 0u);
    for (const char* field : {"IndexOnDevice", "InMenu", "ProfileClass", "Location"}) {
      plist_t d = plist_dict_get_item(class_dict, field);
      ASSERT_EQ(plist_dict_get_size(d), 500u) << cls << field;
      plist_t last = plist_dict_get_item(d, (std::string(field) + "0499").c_str());
      ASSERT_EQ(plist_get_node_type(last), PLIST_UINT) << cls << field;
    }
    for (const char* field : {"FileName", "ProfileName"}) {
      plist_t d = plist_dict_get_item(class_dict, field);
      ASSERT_EQ(plist_dict_get_size(d), 500u) << cls << field;
      plist_t first = plist_dict_get_item(d, (std::string(field) + "0000").c_str());
      ASSERT_EQ(plist_get_node_type(first), PLIST_STRING);
      EXPECT_STREQ(plist_get_string_ptr(first, nullptr), "");
    }
  }
  plist_free(tree);

  auto r = NewList(), s = NewList(), d = NewList();
  std::memset(r.get(), 0x5a, sizeof *r);  // the reader overwrites every written field
  r->iNum = 0;
  ASSERT_EQ(HVPListReadProfile_All(r.get(), s.get(), d.get()), 0);
  auto zero = NewList();
  for (int i = 0; i < kProfileMax; ++i) zero->litem[i].iDriver = r->litem[i].iDriver;  // never stored
  EXPECT_EQ(std::memcmp(r.get(), zero.get(), sizeof *r), 0);
}

TEST_F(ProfileFile, FullListsRoundTripExceptDriver) {
  auto rgb = NewList(), sim = NewList(), dst = NewList();
  for (int i = 0; i < kProfileMax; ++i) {
    PutItem(rgb.get(), i, 1 + i % 6, "R" + std::to_string(i) + "&<x>.icc", 4 + i % 2, i + 1);
    PutItem(dst.get(), i, 4, "Ü-" + std::to_string(i), kLocationDisk, -i);
    rgb->litem[i].iDriver = 3;
  }
  rgb->iNum = dst->iNum = kProfileMax;
  ASSERT_EQ(HVPListWriteProfile_All(rgb.get(), sim.get(), dst.get()), 0);
  auto r = NewList(), s = NewList(), d = NewList();
  ASSERT_EQ(HVPListReadProfile_All(r.get(), s.get(), d.get()), 0);
  for (int i = 0; i < kProfileMax; ++i) rgb->litem[i].iDriver = 0;
  EXPECT_EQ(std::memcmp(r.get(), rgb.get(), sizeof *r), 0);
  EXPECT_EQ(std::memcmp(d.get(), dst.get(), sizeof *d), 0);
  EXPECT_EQ(d->litem[7].iIndexOnDevice, -7);
  EXPECT_EQ(s->iNum, 0);
}

TEST_F(ProfileFile, ReadersRecount) {
  auto dst = NewList();
  for (int i : {0, 1, 2, 7}) PutItem(dst.get(), i, 4, "A.ICC", kLocationDisk, i + 1);
  dst->iNum = 4;
  WriteDst(*dst);
  EditFile([](plist_t tree) {
    plist_set_uint_val(plist_dict_get_item(plist_dict_get_item(tree, "DST"), "iNum"), 3);
  });
  auto d = NewList();
  ASSERT_EQ(HVPListReadProfile_Dict(d.get(), kClassDST), 0);
  EXPECT_EQ(d->iNum, 4);
  EXPECT_EQ(d->litem[2].iIndexOnDevice, 3);
  EXPECT_EQ(d->litem[7].iInMenu, 0) << "the item behind the gap is lost";

  // Without "iNum" the recount alone sets the count.
  EditFile([](plist_t tree) { plist_dict_remove_item(plist_dict_get_item(tree, "DST"), "iNum"); });
  auto e = NewList();
  ASSERT_EQ(HVPListReadProfile_Dict(e.get(), kClassDST), 0);
  EXPECT_EQ(e->iNum, 4);
}

TEST_F(ProfileFile, ThirtyOneByteCutsKeepWholeCharacters) {
  // Names of 2-, 3- and 4-byte characters behind every length of ASCII prefix
  // that makes the character reach or cross the 31st byte.
  struct Case {
    std::string name, read;
  };
  std::vector<Case> cases = {{std::string(40, 'n'), std::string(31, 'n')}};
  for (std::string c : {"\u00e9", "\u20ac", "\U0001F600"}) {
    for (size_t prefix = 31 - c.size(); prefix <= 30; ++prefix) {
      std::string head(prefix, 'm');
      cases.push_back({head + c + "tail", prefix + c.size() <= 31 ? head + c : head});
    }
  }
  auto dst = NewList();
  for (size_t i = 0; i < cases.size(); ++i)
    PutItem(dst.get(), static_cast<int>(i), 3, "F.ICC", kLocationDisk, 0);
  dst->iNum = static_cast<int32_t>(cases.size());
  WriteDst(*dst);
  EditFile([&](plist_t tree) {
    char key[32];
    for (size_t i = 0; i < cases.size(); ++i) {
      std::snprintf(key, sizeof key, "ProfileName%04zu", i);
      plist_dict_set_item(Field(tree, "DST", "ProfileName"), key, plist_new_string(cases[i].name.c_str()));
    }
  });
  auto d = NewList();
  ASSERT_EQ(HVPListReadProfile_Dict(d.get(), kClassDST), 0);
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(std::string(d->litem[i].ProfileName), cases[i].read) << cases[i].name;
    EXPECT_TRUE(IsStorableText(d->litem[i].ProfileName)) << cases[i].name;
  }
  // Written back, every cut name keeps its entry and reads back the same.
  WriteDst(*d);
  auto again = NewList();
  ASSERT_EQ(HVPListReadProfile_Dict(again.get(), kClassDST), 0);
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(std::string(again->litem[i].ProfileName), cases[i].read);
}

TEST_F(ProfileFile, InvalidTextGetsNoEntry) {
  auto dst = NewList();
  PutItem(dst.get(), 0, 3, "A.ICC", kLocationDisk, 0);
  PutItem(dst.get(), 1, 3, "B.ICC", kLocationDisk, 0);
  std::strcpy(dst->litem[1].ProfileName, "bad \xC3 name");
  dst->iNum = 2;
  WriteDst(*dst);
  plist_t tree = nullptr;
  std::string bytes = ReadText(root.profile());
  plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &tree);
  EXPECT_EQ(plist_dict_get_item(Field(tree, "DST", "ProfileName"), "ProfileName0001"), nullptr);
  EXPECT_EQ(plist_dict_get_size(Field(tree, "DST", "ProfileName")), 499u);
  plist_free(tree);
  auto again = NewList();
  ASSERT_EQ(HVPListReadProfile_Dict(again.get(), kClassDST), 0);
  EXPECT_EQ(again->litem[1].ProfileName[0], '\0');
  EXPECT_STREQ(again->litem[1].FileName, "B.ICC");
}

TEST_F(ProfileFile, WindowReadingDropsState2AndShowsState4As6) {
  auto dst = NewList();
  PutItem(dst.get(), 0, 3, "A.ICC", kLocationDisk, 1);
  PutItem(dst.get(), 1, 2, "HIDDEN.ICC", kLocationDisk, 2);
  PutItem(dst.get(), 2, 4, "C.ICC", kLocationDisk, 3);
  dst->iNum = 3;
  WriteDst(*dst);
  auto w = NewList();
  ASSERT_EQ(HVPListReadProfile_Dict_Pap(w.get(), kClassDST), 0);
  EXPECT_EQ(w->iNum, 2);
  EXPECT_EQ(w->litem[0].iInMenu, 3);
  EXPECT_STREQ(w->litem[0].FileName, "A.ICC");
  EXPECT_EQ(w->litem[1].iInMenu, 6);
  EXPECT_STREQ(w->litem[1].FileName, "C.ICC");
  EXPECT_EQ(w->litem[1].iIndexOnDevice, 3);
  EXPECT_EQ(w->litem[2].iInMenu, 0);
}

TEST_F(ProfileFile, ReplacingOneListKeepsTheOthersAndFillsOutLists) {
  auto rgb = NewList(), sim = NewList(), dst = NewList();
  PutItem(rgb.get(), 0, 3, "RGB.ICC", kLocationDisk, 0);
  rgb->iNum = 1;
  PutItem(sim.get(), 0, 4, "SIM.ICC", kLocationDisk, 8);
  sim->iNum = 1;
  ASSERT_EQ(HVPListWriteProfile_All(rgb.get(), sim.get(), dst.get()), 0);
  auto new_sim = NewList();
  PutItem(new_sim.get(), 0, 6, "NEW.ICC", kLocationDisk, 0);
  new_sim->iNum = 1;
  auto out_rgb = NewList(), out_sim = NewList();
  ASSERT_EQ(HVPListWriteProfile_Dict(new_sim.get(), kClassSIM, out_rgb.get(), out_sim.get(), nullptr), 0);
  EXPECT_STREQ(out_rgb->litem[0].FileName, "RGB.ICC");
  EXPECT_STREQ(out_sim->litem[0].FileName, "NEW.ICC");
  auto r = NewList(), s = NewList(), d = NewList();
  ASSERT_EQ(HVPListReadProfile_All(r.get(), s.get(), d.get()), 0);
  EXPECT_STREQ(r->litem[0].FileName, "RGB.ICC");
  EXPECT_STREQ(s->litem[0].FileName, "NEW.ICC");
  EXPECT_EQ(s->iNum, 1);
}

TEST_F(ProfileFile, WindowSaveMergesWithConfirmedItemsOfTheFile) {
  auto rgb = NewList(), sim = NewList(), dst = NewList();
  PutItem(dst.get(), 0, 2, "DELETED.ICC", kLocationDisk, 1);
  PutItem(dst.get(), 1, 4, "KEPT.ICC", kLocationDisk, 2);
  PutItem(dst.get(), 2, 2, "EDITED.ICC", kLocationDisk, 3);
  dst->iNum = 3;
  ASSERT_EQ(HVPListWriteProfile_All(rgb.get(), sim.get(), dst.get()), 0);
  auto edited = NewList(), deleted = NewList(), empty = NewList();
  PutItem(edited.get(), 0, 6, "EDITED.ICC", kLocationDisk, 3);
  edited->iNum = 1;
  PutItem(deleted.get(), 0, 2, "DELETED.ICC", kLocationDisk, 1);
  deleted->iNum = 1;
  ASSERT_EQ(HVPListWriteProfile_All_Pap(empty.get(), empty.get(), edited.get(), empty.get(), empty.get(),
                                        deleted.get()),
            0);
  auto d = NewList();
  ASSERT_EQ(HVPListReadProfile_Dict(d.get(), kClassDST), 0);
  ASSERT_EQ(d->iNum, 2);
  EXPECT_STREQ(d->litem[0].FileName, "KEPT.ICC");
  EXPECT_STREQ(d->litem[1].FileName, "EDITED.ICC");
  EXPECT_EQ(d->litem[1].iInMenu, 6);
}

TEST_F(ProfileFile, ClassDictionariesAndTheirFields) {
  auto dst = NewList();
  PutItem(dst.get(), 0, 3, "A.ICC", kLocationCard, 0);
  dst->iNum = 1;
  plist_t class_dict = nullptr;
  PropsFields fields{};
  PlistPtr one = CreatePropsDictionary(kClassDST, dst.get(), &class_dict, &fields);
  EXPECT_EQ(plist_dict_get_size(one.get()), 1u);
  EXPECT_EQ(plist_dict_get_item(one.get(), "DST"), class_dict);
  int32_t location = 0;
  ReadDictionaryIntEntry(fields.location, "Location0000", &location);
  EXPECT_EQ(location, kLocationCard);
  EXPECT_EQ(plist_dict_get_size(CreatePropsDictionary(3, dst.get()).get()), 0u);

  WriteDst(*dst);
  PlistPtr rgb, sim, dst_copy;
  ASSERT_EQ(HVPListMappingGetMainDict_FromPlist(&rgb, &sim, &dst_copy), 0);
  int32_t num = -1;
  ASSERT_EQ(HVPListMappingGetSubDict(dst_copy.get(), &fields, &num), 0);
  EXPECT_EQ(num, 1);
  char name[kProfileTextSize];
  std::memset(name, 'x', sizeof name);
  ReadDictionaryStringEntry(fields.file_name, "FileName0000", name);
  EXPECT_STREQ(name, "A.ICC");
  ReadDictionaryStringEntry(fields.file_name, "FileName9999", name);  // absent: untouched
  EXPECT_STREQ(name, "A.ICC");

  EditFile([](plist_t tree) { plist_dict_remove_item(plist_dict_get_item(tree, "SIM"), "Location"); });
  PlistPtr sim2;
  ASSERT_EQ(HVPListMappingGetMainDict_FromPlist(nullptr, &sim2, nullptr), 0);
  EXPECT_EQ(HVPListMappingGetSubDict(sim2.get(), &fields, &num), -1);
}

class RejectedFile : public ProfileFile {
 protected:
  // A reader must fail and leave the list exactly as it was.
  void ExpectRejected() {
    auto r = NewList(), s = NewList(), d = NewList();
    PutItem(d.get(), 0, 3, "MINE.ICC", kLocationDisk, 0);
    d->iNum = 1;
    auto before = NewList();
    *before = *d;
    EXPECT_EQ(HVPListReadProfile_All(r.get(), s.get(), d.get()), -1);
    EXPECT_EQ(HVPListReadProfile_Dict(d.get(), kClassDST), -1);
    EXPECT_EQ(std::memcmp(d.get(), before.get(), sizeof *d), 0);
  }
};

TEST_F(RejectedFile, MissingFileOrNotAPropertyList) {
  ExpectRejected();
  WriteText(root.profile(), "");
  ExpectRejected();
  WriteText(root.profile(), "this is not a property list");
  ExpectRejected();
  WriteText(root.profile(), "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>DST</key><dict>");
  ExpectRejected();
  WriteText(root.profile(), "<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>");
  ExpectRejected();
}

TEST_F(RejectedFile, MissingOrMistypedClassOrFieldDictionary) {
  WriteDst(*NewList());
  EditFile([](plist_t tree) { plist_dict_remove_item(tree, "RGB"); });
  auto d = NewList();
  EXPECT_EQ(HVPListReadProfile_Dict(d.get(), kClassDST), 0) << "the one-list reader checks its class only";
  auto r = NewList(), s = NewList();
  EXPECT_EQ(HVPListReadProfile_All(r.get(), s.get(), d.get()), -1);

  WriteDst(*NewList());
  EditFile([](plist_t tree) {
    plist_dict_set_item(plist_dict_get_item(tree, "DST"), "InMenu", plist_new_string("x"));
  });
  ExpectRejected();
  WriteDst(*NewList());
  EditFile([](plist_t tree) { plist_dict_set_item(tree, "DST", plist_new_uint(3)); });
  ExpectRejected();
}

TEST_F(ProfileFile, WrongTypedEntriesCountAsAbsent) {
  auto dst = NewList();
  PutItem(dst.get(), 0, 3, "A.ICC", kLocationDisk, 5);
  PutItem(dst.get(), 1, 3, "B.ICC", kLocationDisk, 6);
  dst->iNum = 2;
  WriteDst(*dst);
  EditFile([](plist_t tree) {
    plist_dict_set_item(Field(tree, "DST", "IndexOnDevice"), "IndexOnDevice0000", plist_new_string("77"));
    plist_dict_set_item(Field(tree, "DST", "FileName"), "FileName0001", plist_new_uint(12));
    plist_dict_set_item(Field(tree, "DST", "ProfileClass"), "ProfileClass0001", plist_new_real(3.0));
    plist_dict_set_item(plist_dict_get_item(tree, "DST"), "iNum", plist_new_bool(1));
    plist_dict_set_item(Field(tree, "DST", "InMenu"), "InMenu00002", plist_new_uint(4));  // no slot key
  });
  auto d = NewList();
  d->litem[0].iIndexOnDevice = 41;
  d->litem[1].iProfileClass = 42;
  std::strcpy(d->litem[1].FileName, "PRESET");
  d->iNum = 2;
  ASSERT_EQ(HVPListReadProfile_Dict(d.get(), kClassDST), 0);
  EXPECT_EQ(d->litem[0].iIndexOnDevice, 41);
  EXPECT_EQ(d->litem[1].iIndexOnDevice, 6);
  EXPECT_EQ(d->litem[1].iProfileClass, 42);
  EXPECT_STREQ(d->litem[1].FileName, "PRESET");
  EXPECT_EQ(d->litem[2].iInMenu, 0);
  EXPECT_EQ(d->iNum, 2);

  // A mistyped menu state leaves the slot free, and the recount settles iNum.
  EditFile([](plist_t tree) {
    plist_dict_set_item(Field(tree, "DST", "InMenu"), "InMenu0001", plist_new_string("3"));
  });
  auto e = NewList();
  ASSERT_EQ(HVPListReadProfile_Dict(e.get(), kClassDST), 0);
  EXPECT_EQ(e->iNum, 1);
  EXPECT_EQ(e->litem[1].iIndexOnDevice, 0);
}

TEST_F(ProfileFile, EntriesAreFoundInAnyKeyOrder) {
  auto dst = NewList();
  for (int i = 0; i < 3; ++i) PutItem(dst.get(), i, 3, "A.ICC", kLocationDisk, i + 1);
  dst->iNum = 3;
  WriteDst(*dst);
  EditFile([](plist_t tree) {
    plist_t reversed = plist_new_dict();
    char key[32];
    for (int i = kProfileMax - 1; i >= 0; --i) {
      std::snprintf(key, sizeof key, "IndexOnDevice%04d", i);
      plist_dict_set_item(reversed, key, plist_new_uint(static_cast<uint64_t>(1000 + i)));
    }
    plist_dict_set_item(plist_dict_get_item(tree, "DST"), "IndexOnDevice", reversed);
  });
  auto d = NewList();
  ASSERT_EQ(HVPListReadProfile_Dict(d.get(), kClassDST), 0);
  EXPECT_EQ(d->litem[0].iIndexOnDevice, 1000);
  EXPECT_EQ(d->litem[2].iIndexOnDevice, 1002);
  EXPECT_EQ(d->litem[499].iIndexOnDevice, 1499);
}

// A field's keys name slots 0000 to 0499. The last slot's key is taken
// wherever it stands; a key past the last slot, or of another shape, is
// ignored in any field (it must not reach into the next field's slots or
// past the last field's).
TEST_F(ProfileFile, SlotKeysAtTheLastSlotAndPastIt) {
  struct Case {
    const char* field;
    const char* key;
    bool taken;  // slot 499 holds the value
  } cases[] = {
      {"IndexOnDevice", "IndexOnDevice0499", true},  {"Location", "Location0499", true},
      {"IndexOnDevice", "IndexOnDevice0500", false}, {"Location", "Location0500", false},
      {"ProfileClass", "ProfileClass9999", false},   {"InMenu", "InMenu00002", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    auto dst = NewList();
    PutItem(dst.get(), 0, 3, "A.ICC", kLocationDisk, 5);
    dst->iNum = 1;
    WriteDst(*dst);
    EditFile([&](plist_t tree) {
      plist_t field = Field(tree, "DST", c.field);
      plist_dict_remove_item(field, c.key);  // the key comes last, out of slot order
      plist_dict_set_item(field, c.key, plist_new_uint(77));
    });
    auto d = NewList();
    ASSERT_EQ(HVPListReadProfile_Dict(d.get(), kClassDST), 0);
    EXPECT_EQ(d->iNum, 1);
    EXPECT_EQ(d->litem[0].iInMenu, 3);
    EXPECT_EQ(d->litem[0].iIndexOnDevice, 5);
    EXPECT_EQ(d->litem[0].iProfileClass, 2);
    EXPECT_EQ(d->litem[0].iLocation, kLocationDisk);
    std::vector<int> holders;
    for (int i = 0; i < kProfileMax; ++i) {
      const HVProfileItem& item = d->litem[i];
      if (item.iIndexOnDevice == 77 || item.iInMenu == 77 || item.iProfileClass == 77 || item.iLocation == 77)
        holders.push_back(i);
    }
    EXPECT_EQ(holders, c.taken ? std::vector<int>{kProfileMax - 1} : std::vector<int>{});
  }
}

TEST(ProfileSerialisation, SuccessiveWritesCarryOnlyTheirOwnContent) {
  auto empty = NewList(), dst = NewList();
  auto texts_of = [](const XmlBytes& xml, const char* field) {
    PlistPtr root = ParseProfileBytes(xml.view());
    EXPECT_NE(root, nullptr);
    return plist_dict_get_item(plist_dict_get_item(root.get(), "DST"), field) != nullptr
               ? plist_dict_get_size(plist_dict_get_item(plist_dict_get_item(root.get(), "DST"), field))
               : 0u;
  };
  auto read_back = [](const XmlBytes& xml) {
    auto list = NewList();
    PlistPtr root = ParseProfileBytes(xml.view());
    FillListFromClass(CompleteClassDictionary(root.get(), kClassDST), false, list.get());
    return list;
  };

  PutItem(dst.get(), 0, 3, "FIRST.ICC", kLocationDisk, 9);
  dst->iNum = 1;
  EXPECT_STREQ(read_back(SerialiseProfileLists(*empty, *empty, *dst))->litem[0].FileName, "FIRST.ICC");

  std::strcpy(dst->litem[0].FileName, "\xff\xfe");  // not UTF-8: no entry
  XmlBytes broken = SerialiseProfileLists(*empty, *empty, *dst);
  EXPECT_EQ(texts_of(broken, "FileName"), 499u);
  EXPECT_EQ(texts_of(broken, "ProfileName"), 500u);

  dst->litem[0].FileName[0] = '\0';
  PutItem(dst.get(), 1, 4, "SECOND.ICC", kLocationDisk, 10);
  dst->iNum = 2;
  XmlBytes next = SerialiseProfileLists(*empty, *empty, *dst);
  EXPECT_EQ(texts_of(next, "FileName"), 500u);
  auto list = read_back(next);
  EXPECT_STREQ(list->litem[0].FileName, "");
  EXPECT_STREQ(list->litem[1].FileName, "SECOND.ICC");
  EXPECT_EQ(list->litem[0].iIndexOnDevice, 9);
  EXPECT_EQ(list->iNum, 2);
}

TEST(ProfileSerialisation, ConcurrentWritersEachGetTheirOwnFile) {
  std::vector<std::unique_ptr<HVProfileList>> lists;
  for (int t = 0; t < 4; ++t) {
    lists.push_back(NewList());
    for (int i = 0; i <= t; ++i)
      PutItem(lists.back().get(), i, 3, "T" + std::to_string(t), kLocationDisk, t + 1);
    lists.back()->iNum = t + 1;
  }
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 5; ++round) {
        XmlBytes xml = SerialiseProfileLists(*lists[t], *lists[t], *lists[t]);
        PlistPtr root = ParseProfileBytes(xml.view());
        auto back = NewList();
        FillListFromClass(CompleteClassDictionary(root.get(), kClassSIM), false, back.get());
        if (std::memcmp(back.get(), lists[t].get(), sizeof *back) != 0) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(ProfileFormat, BoundsAreCheckedBeforeParsing) {
  std::string deep = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
  for (int i = 0; i < 100000; ++i) deep += "<dict><key>k</key>";
  EXPECT_FALSE(WithinXmlBounds(deep));
  EXPECT_EQ(ParseProfileBytes(deep), nullptr);

  std::string fine =
      "<?xml version=\"1.0\"?><!-- </dict></dict> --><plist version=\"1.0\"><dict><key>a</key>"
      "<dict><key>b</key><integer>1</integer><key>c</key><string/></dict></dict></plist>";
  EXPECT_TRUE(WithinXmlBounds(fine));
  EXPECT_NE(ParseProfileBytes(fine), nullptr);
  // A comment cannot hide nesting: its close tags are not counted.
  std::string hidden = "<plist>" + std::string("<!--") + std::string(40, ' ') + "-->";
  for (int i = 0; i < kMaxElementDepth; ++i) hidden += "<array>";
  EXPECT_FALSE(WithinXmlBounds(hidden));
  EXPECT_FALSE(WithinXmlBounds("<plist><dict"));
  EXPECT_FALSE(WithinXmlBounds(std::string(kMaxProfileFileBytes + 1, ' ')));
}

TEST_F(ProfileFile, NestingAtTheBoundReadsPastItIsRefused) {
  // A file the size of a real one (about 1 MB) whose nesting reaches the bound
  // (plist, root, the arrays, the innermost) or goes one past it.
  for (int arrays : {kMaxElementDepth - 2, kMaxElementDepth - 1}) {
    std::string text = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>pad</key><string>" +
                       std::string(1u << 20, 'p') + "</string><key>deep</key>";
    for (int i = 0; i < arrays; ++i) text += "<array>";
    for (int i = 0; i < arrays; ++i) text += "</array>";
    WriteText(root.profile(), text + "</dict></plist>");
    EXPECT_EQ(ReadProfileFile(root.profile()) != nullptr, arrays + 2 <= kMaxElementDepth) << arrays;
  }
}

TEST_F(ProfileFile, OversizedFileIsRejected) {
  auto d = NewList();
  WriteDst(*d);
  std::string bytes = ReadText(root.profile());
  bytes.insert(bytes.find("<plist"), std::string(kMaxProfileFileBytes, ' '));
  WriteText(root.profile(), bytes);
  EXPECT_EQ(HVPListReadProfile_Dict(d.get(), kClassDST), -1);
}

}  // namespace
}  // namespace profilestore
