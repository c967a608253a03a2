#pragma once

#include "page/uLinkTable.h"

#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <vector>

namespace tarrow {

// How an attribute holds its link.
enum class TValueForm : uint8_t { vfURL, vfSrcSet, vfRefresh };

struct TLinkAttr {
    QStringView Name; // empty: no attribute
    TValueForm Form = TValueForm::vfURL;
};

// A test on one attribute of a tag: its value equals Value, or with Word one of its words
// (separated by spaces) does; ASCII case ignored. A test without a name always holds.
struct TAttrTest {
    QStringView Name;
    QStringView Value;
    bool Word = false;

    bool HoldsFor(QStringView ATag) const;
};

// What a link-bearing tag is to link processing.
enum TLinkTagFlag : uint8_t {
    ltRequisite = 1,     // its links are requisites of the page (complete pages only)
    ltCompletePages = 2, // the tag is read only for complete pages
};

// One link-bearing tag: its name, the kind the URL table maps its links by, its flags, the
// attributes that hold links (in the order they are rewritten), the condition under which the
// tag is read at all, and the condition under which its links are requisites.
struct TLinkTag {
    QStringView Name;
    TURLTag Kind;
    uint8_t Flags;
    TLinkAttr Attrs[2];
    TAttrTest ReadIf = {};
    TAttrTest RequisiteIf = {};
};

// The tags read in one mode, in table order: their names as FindTag takes them and, at the same
// index, their rows.
struct TLinkTagSet {
    QStringList Names;
    std::vector<const TLinkTag*> Tags;
};

// Every tag read without complete pages, or every tag read with them.
const TLinkTagSet& LinkTags(bool ACompletePages);

} // namespace tarrow
