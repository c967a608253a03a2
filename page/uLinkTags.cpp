#include "page/uLinkTags.h"

#include "base/uStrUtils.h"
#include "page/uParseUtils.h"

#include <QString>
#include <algorithm>

namespace tarrow {

namespace {

using enum TValueForm;

// Every link-bearing tag, one row each; a new tag is a new row anywhere in the table.
// Name, kind, flags, link attributes, read only if, requisite only if.
const TLinkTag LinkTagTable[] = {
    {u"a", utA, 0, {{u"href"}}},
    {u"img", utImg, ltRequisite, {{u"src"}, {u"srcset", vfSrcSet}}},
    {u"link", utLink, ltRequisite, {{u"href"}}, {}, {u"rel", u"stylesheet", true}},
    {u"script", utScript, ltRequisite, {{u"src"}}},
    {u"noscript", utNoscript, 0, {}}, // read only to be dropped when the settings ask for it
    {u"iframe", utIFrame, ltRequisite, {{u"src"}}},
    {u"frame", utIFrame, ltRequisite | ltCompletePages, {{u"src"}}},
    {u"area", utA, ltCompletePages, {{u"href"}}},
    {u"source", utImg, ltRequisite | ltCompletePages, {{u"src"}, {u"srcset", vfSrcSet}}},
    {u"video", utImg, ltRequisite | ltCompletePages, {{u"src"}, {u"poster"}}},
    {u"audio", utImg, ltRequisite | ltCompletePages, {{u"src"}}},
    {u"track", utImg, ltRequisite | ltCompletePages, {{u"src"}}},
    {u"embed", utImg, ltRequisite | ltCompletePages, {{u"src"}}},
    {u"input", utImg, ltRequisite | ltCompletePages, {{u"src"}}, {u"type", u"image"}},
    {u"object", utImg, ltRequisite | ltCompletePages, {{u"data"}}},
    {u"body", utImg, ltRequisite | ltCompletePages, {{u"background"}}},
    {u"table", utImg, ltRequisite | ltCompletePages, {{u"background"}}},
    {u"td", utImg, ltRequisite | ltCompletePages, {{u"background"}}},
    {u"th", utImg, ltRequisite | ltCompletePages, {{u"background"}}},
    {u"image", utImg, ltRequisite | ltCompletePages, {{u"href"}, {u"xlink:href"}}}, // SVG
    {u"use", utImg, ltRequisite | ltCompletePages, {{u"href"}, {u"xlink:href"}}},   // SVG
    {u"meta", utA, ltCompletePages, {{u"content", vfRefresh}}, {u"http-equiv", u"refresh"}},
};

TLinkTagSet MakeLinkTagSet(bool ACompletePages) {
    TLinkTagSet set;
    for (const TLinkTag& tag : LinkTagTable)
        if (ACompletePages || !(tag.Flags & ltCompletePages)) {
            set.Names.append(tag.Name.toString());
            set.Tags.push_back(&tag);
        }
    return set;
}

} // namespace

bool TAttrTest::HoldsFor(QStringView ATag) const {
    if (Name.isEmpty())
        return true;
    const QString value = GetAttrValue(ATag, Name, 1);
    if (!Word)
        return AsciiSameText(value, Value);
    const QStringList words = value.split(u' ', Qt::SkipEmptyParts);
    return std::any_of(words.cbegin(), words.cend(),
                       [this](const QString& W) { return AsciiSameText(W, Value); });
}

const TLinkTagSet& LinkTags(bool ACompletePages) {
    static const TLinkTagSet plain = MakeLinkTagSet(false), complete = MakeLinkTagSet(true);
    return ACompletePages ? complete : plain;
}

} // namespace tarrow
