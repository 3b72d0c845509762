#include "pure/doctext/xmltags.h"

#include "pure/doctext/xmltext.h"
#include "pure/support/bytetext.h"

namespace {

bool EndsName(char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '/' || C == '>' || C == '='; }

std::string_view LocalName(std::string_view Name) {
    const std::size_t Colon = Name.rfind(':');
    return Colon == std::string_view::npos ? Name : Name.substr(Colon + 1);
}

}  // namespace

void ForEachXmlTag(std::string_view Xml, const std::function<void(std::string_view, const TXmlAttributes&)>& Visit) {
    TXmlAttributes Attributes;
    auto NameEnd = [&](std::size_t At) {
        while (At < Xml.size() && !EndsName(Xml[At])) ++At;
        return At;
    };
    std::size_t At = 0;
    while ((At = Xml.find('<', At)) != std::string_view::npos) {
        ++At;
        if (At >= Xml.size()) return;
        if (Xml[At] == '/' || Xml[At] == '!' || Xml[At] == '?') continue;
        const std::size_t End = NameEnd(At);
        const std::string_view Name = LocalName(Xml.substr(At, End - At));
        Attributes.clear();
        At = End;
        while (At < Xml.size() && Xml[At] != '>') {
            const char C = Xml[At];
            if (C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '/') {
                ++At;
                continue;
            }
            const std::size_t AttrEnd = NameEnd(At);
            if (AttrEnd == At) {
                ++At;
                continue;
            }
            const std::string_view AttrName = LocalName(Xml.substr(At, AttrEnd - At));
            const std::size_t Quote = Xml.find_first_of("\"'>", AttrEnd);
            if (Quote == std::string_view::npos || Xml[Quote] == '>') {
                At = Quote == std::string_view::npos ? Xml.size() : Quote;
                continue;
            }
            const std::size_t Close = Xml.find(Xml[Quote], Quote + 1);
            if (Close == std::string_view::npos) return;
            Attributes.emplace_back(AttrName, Xml.substr(Quote + 1, Close - Quote - 1));
            At = Close + 1;
        }
        Visit(Name, Attributes);
    }
}

std::string_view XmlAttribute(const TXmlAttributes& Attributes, std::string_view Name) {
    for (const auto& [Key, Value] : Attributes)
        if (Key == Name) return Value;
    return {};
}

std::string DecodeXmlAttribute(std::string_view Value) {
    std::string Out;
    for (std::size_t I = 0; I < Value.size(); ++I) {
        if (Value[I] == '&') {
            const std::size_t Semi = Value.find(';', I);
            char32_t C;
            if (Semi != std::string_view::npos && Semi - I < 12 &&
                DecodeXmlReference(Value.data() + I + 1, Semi - I - 1, C)) {
                AppendUtf8(Out, C);
                I = Semi;
                continue;
            }
        }
        Out += Value[I];
    }
    return Out;
}

std::string_view XmlTextAfter(std::string_view Xml, std::string_view Name) {
    if (Name.data() < Xml.data() || Name.data() + Name.size() > Xml.data() + Xml.size()) return {};
    std::size_t At = static_cast<std::size_t>(Name.data() - Xml.data()) + Name.size();
    char Quote = 0;
    for (; At < Xml.size() && (Quote != 0 || Xml[At] != '>'); ++At) {
        if (Quote != 0 && Xml[At] == Quote)
            Quote = 0;
        else if (Quote == 0 && (Xml[At] == '"' || Xml[At] == '\''))
            Quote = Xml[At];
    }
    if (At >= Xml.size() || Xml[At - 1] == '/') return {};
    const std::string_view Rest = Xml.substr(At + 1);
    constexpr std::string_view CDataStart = "<![CDATA[";
    if (Rest.substr(0, CDataStart.size()) == CDataStart) {
        const std::size_t End = Rest.find("]]>", CDataStart.size());
        return End == std::string_view::npos ? std::string_view{}
                                             : Rest.substr(CDataStart.size(), End - CDataStart.size());
    }
    return Rest.substr(0, Rest.find('<'));
}
