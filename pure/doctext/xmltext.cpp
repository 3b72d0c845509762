#include "pure/doctext/xmltext.h"

#include <cstring>

#include "pure/doctext/decodelimits.h"
#include "pure/doctext/xmlscan.h"

using namespace xmlscan;

namespace {

bool IsSpace(unsigned char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; }

}  // namespace

bool DecodeXmlReference(const char* Name, std::size_t Length, char32_t& Out) {
    const std::string_view N(Name, Length);
    if (N == "amp") return Out = '&', true;
    if (N == "lt") return Out = '<', true;
    if (N == "gt") return Out = '>', true;
    if (N == "quot") return Out = '"', true;
    if (N == "apos") return Out = '\'', true;
    if (Length < 2 || Name[0] != '#') return false;
    const bool Hex = Name[1] == 'x' || Name[1] == 'X';
    std::size_t At = Hex ? 2 : 1;
    if (At == Length) return false;
    char32_t Value = 0;
    for (; At < Length; ++At) {
        const char C = Name[At];
        int Digit;
        if (C >= '0' && C <= '9')
            Digit = C - '0';
        else if (Hex && C >= 'a' && C <= 'f')
            Digit = C - 'a' + 10;
        else if (Hex && C >= 'A' && C <= 'F')
            Digit = C - 'A' + 10;
        else
            return false;
        Value = Value * (Hex ? 16 : 10) + static_cast<char32_t>(Digit);
        if (Value > 0x10FFFF) return false;
    }
    if (Value == 0 || (Value >= 0xD800 && Value < 0xE000)) return false;
    Out = Value;
    return true;
}

TXmlTextExtractor::TXmlTextExtractor(const TXmlTextRules& Rules, TTextSink& Sink)
    : FAttributeName(Rules.AttributeName), FSink(Sink) {
    // Breaks and line breaks act only where text of the run is held.
    FNames.Add(Rules.Containers, Container, true);
    FNames.Add(Rules.Breaks, Break, false);
    FNames.Add(Rules.Skips, Skip, true);
    FNames.Add(Rules.Spaces, Space, true);
    FNames.Add(Rules.Tabs, Tab, true);
    FNames.Add(Rules.LineBreaks, LineBreak, false);
    if (Rules.AttributeElement != nullptr && Rules.AttributeName != nullptr)
        FNames.Add(Rules.AttributeElement, Attribute, true);
    FName.reserve(FNames.Longest());
    // The first bytes of the names that act while no text is shown or held (see TQuietScan).
    for (std::size_t I = 0; I < FNames.Count() && FQuietCount >= 0; ++I) {
        if ((FNames.Flags(I) & (Container | Skip | Space | Tab | Attribute)) == 0) continue;
        const unsigned char First = static_cast<unsigned char>(FNames.Name(I)[0]);
        if (std::memchr(FQuietFirsts, First, static_cast<std::size_t>(FQuietCount)) != nullptr) continue;
        if (FQuietCount == static_cast<int>(sizeof FQuietFirsts))
            FQuietCount = -1;  // every tag is read
        else
            FQuietFirsts[FQuietCount++] = First;
    }
    FAwaits = FSink.AwaitedUnit() != 0;
    Await();
}

void TXmlTextExtractor::Await() {
    if (!FAwaits) return;
    const char16_t U = FSink.AwaitedUnit();
    FAwaitedLength = 0;
    // A surrogate comes only from a four-byte form and U+FFFD also from damaged bytes: text that
    // may hold them is always decoded.
    if (U == 0 || (U >= 0xD800 && U < 0xE000) || U == 0xFFFD) return;
    if (U < 0x80) {
        FAwaited[0] = static_cast<unsigned char>(U);
        FAwaitedLength = 1;
        const bool Letter = (U | 0x20) >= 'a' && (U | 0x20) <= 'z';
        FAwaitedOther = static_cast<unsigned char>(Letter ? U ^ 0x20 : U);
    } else if (U < 0x800) {
        FAwaited[0] = static_cast<unsigned char>(0xC0 | (U >> 6));
        FAwaited[1] = static_cast<unsigned char>(0x80 | (U & 0x3F));
        FAwaitedLength = 2;
    } else {
        FAwaited[0] = static_cast<unsigned char>(0xE0 | (U >> 12));
        FAwaited[1] = static_cast<unsigned char>(0x80 | ((U >> 6) & 0x3F));
        FAwaited[2] = static_cast<unsigned char>(0x80 | (U & 0x3F));
        FAwaitedLength = 3;
    }
}

bool TXmlTextExtractor::Passable(const unsigned char* Data, std::size_t Size) {
    if (FNeed > 0) return false;
    if (FOutCount > 0 && !Flush()) return false;  // the sink's wait holds for what it was given
    if (FAwaitedLength == 0) return false;
    // The run's end: a lead byte among its last three whose continuation bytes do not all follow
    // leaves a character unfinished.
    for (std::size_t K = 1; K <= 3 && K <= Size; ++K) {
        const unsigned char B = Data[Size - K];
        if (B < 0x80) break;
        if (B >= 0xC2 && B < 0xF5) {
            if ((B < 0xE0 ? 2u : B < 0xF0 ? 3u : 4u) > K) return false;
            break;
        }
    }
    return !HoldsSequence(Data, Size, FAwaited, FAwaitedLength, FAwaitedOther);
}

bool TXmlTextExtractor::Feed(const unsigned char* Data, std::size_t Size) {
    if (FStopped) return false;
    if (FState == TState::Start) {
        // The first bytes tell the encoding: a byte-order mark, or "<" in UTF-16.
        while (Size > 0 && FStartCount < 4) FStartBytes[FStartCount++] = *Data++, --Size;
        if (FStartCount < 4) return true;
        const unsigned char* B = FStartBytes;
        std::size_t Skip = 0;
        if (B[0] == 0xFF && B[1] == 0xFE)
            FUtf16 = true, Skip = 2;
        else if (B[0] == 0xFE && B[1] == 0xFF)
            FUtf16 = FBigEndian = true, Skip = 2;
        else if (B[0] == '<' && B[1] == 0 && B[2] != 0)
            FUtf16 = true;
        else if (B[0] == 0 && B[1] == '<')
            FUtf16 = FBigEndian = true;
        else if (B[0] == 0xEF && B[1] == 0xBB && B[2] == 0xBF)
            Skip = 3;
        FState = TState::Text;
        if (!(FUtf16 ? FeedUtf16(B + Skip, 4 - Skip) : FeedUtf8(B + Skip, 4 - Skip))) return false;
    }
    return FUtf16 ? FeedUtf16(Data, Size) : FeedUtf8(Data, Size);
}

bool TXmlTextExtractor::Finish() {
    if (FState == TState::Start && !FStopped) {
        const std::size_t Count = FStartCount;
        FStartCount = 4;  // take what there is as UTF-8
        FState = TState::Text;
        if (!FeedUtf8(FStartBytes, Count)) return false;
    }
    if (FStopped) return false;
    return EndRun();
}

bool TXmlTextExtractor::FeedUtf16(const unsigned char* Data, std::size_t Size) {
    unsigned char Buffer[4096];
    std::size_t Used = 0;
    auto Put = [&](char32_t C) -> bool {
        if (Used + 4 > sizeof Buffer) {
            if (!FeedUtf8(Buffer, Used)) return false;
            Used = 0;
        }
        if (C < 0x80) {
            Buffer[Used++] = static_cast<unsigned char>(C);
        } else if (C < 0x800) {
            Buffer[Used++] = static_cast<unsigned char>(0xC0 | (C >> 6));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | (C & 0x3F));
        } else if (C < 0x10000) {
            Buffer[Used++] = static_cast<unsigned char>(0xE0 | (C >> 12));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | ((C >> 6) & 0x3F));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | (C & 0x3F));
        } else {
            Buffer[Used++] = static_cast<unsigned char>(0xF0 | (C >> 18));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | ((C >> 12) & 0x3F));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | ((C >> 6) & 0x3F));
            Buffer[Used++] = static_cast<unsigned char>(0x80 | (C & 0x3F));
        }
        return true;
    };
    for (std::size_t I = 0; I < Size; ++I) {
        if (!FHaveOddByte) {
            FOddByte = Data[I];
            FHaveOddByte = true;
            continue;
        }
        FHaveOddByte = false;
        const char16_t U = FBigEndian ? static_cast<char16_t>((FOddByte << 8) | Data[I])
                                      : static_cast<char16_t>(FOddByte | (Data[I] << 8));
        bool Ok = true;
        if (U >= 0xD800 && U < 0xDC00) {
            if (FHighSurrogate != 0) Ok = Put(0xFFFD);
            FHighSurrogate = U;
        } else if (U >= 0xDC00 && U < 0xE000) {
            Ok = Put(FHighSurrogate != 0 ? 0x10000 + ((FHighSurrogate - 0xD800) << 10) + (U - 0xDC00) : 0xFFFD);
            FHighSurrogate = 0;
        } else {
            if (FHighSurrogate != 0) Ok = Put(0xFFFD);
            FHighSurrogate = 0;
            Ok = Ok && Put(U);
        }
        if (!Ok) return false;
    }
    return FeedUtf8(Buffer, Used);
}

bool TXmlTextExtractor::Flush() {
    if (FOutCount > 0 && !FStopped) {
        if (!FSink.Text(FOut, FOutCount)) FStopped = true;
        Await();
    }
    FOutCount = 0;
    return !FStopped;
}

bool TXmlTextExtractor::EndRun() {
    if (FNeed > 0) {
        FNeed = 0;
        if (!Unit(0xFFFD)) return false;
    }
    if (!Flush()) return false;
    if (FRunHasText) {
        FRunHasText = false;
        if (!FSink.Break()) FStopped = true;
        Await();
    }
    return !FStopped;
}

bool TXmlTextExtractor::Unit(char16_t U) {
    FOut[FOutCount++] = U;
    FRunHasText = true;
    return FOutCount < sizeof FOut / sizeof FOut[0] || Flush();
}

bool TXmlTextExtractor::CodePoint(char32_t C) {
    if (C < 0x10000) return Unit(static_cast<char16_t>(C));
    C -= 0x10000;
    return Unit(static_cast<char16_t>(0xD800 + (C >> 10))) && Unit(static_cast<char16_t>(0xDC00 + (C & 0x3FF)));
}

bool TXmlTextExtractor::TextBytes(const unsigned char* Data, std::size_t Size) {
    constexpr std::size_t Capacity = sizeof FOut / sizeof FOut[0];
    for (std::size_t I = 0; I < Size; ++I) {
        if (FNeed == 0) {
            char16_t* const Out = DecodeCommon(Data, I, Size, FOut + FOutCount, FOut + Capacity);
            if (Out != FOut + FOutCount) {
                FRunHasText = true;
                FOutCount = static_cast<std::size_t>(Out - FOut);
            }
            if (FOutCount == Capacity && !Flush()) return false;
            if (I >= Size) break;
        }
        const unsigned char B = Data[I];
        if (FNeed > 0) {
            if ((B & 0xC0) == 0x80) {
                FCode = (FCode << 6) | (B & 0x3F);
                if (--FNeed == 0) {
                    // An overlong form (one a shorter sequence could write) stands for no character.
                    const bool Valid = FCode >= FLeast && FCode <= 0x10FFFF && !(FCode >= 0xD800 && FCode < 0xE000);
                    if (!CodePoint(Valid ? FCode : 0xFFFD)) return false;
                }
                continue;
            }
            FNeed = 0;
            if (!Unit(0xFFFD)) return false;
        }
        if (B < 0x80) {
            if (!Unit(B)) return false;
        } else if (B >= 0xC2 && B < 0xE0) {
            FCode = B & 0x1F, FNeed = 1, FLeast = 0x80;
        } else if (B >= 0xE0 && B < 0xF0) {
            FCode = B & 0x0F, FNeed = 2, FLeast = 0x800;
        } else if (B >= 0xF0 && B < 0xF5) {
            FCode = B & 0x07, FNeed = 3, FLeast = 0x10000;
        } else if (!Unit(0xFFFD)) {
            return false;
        }
    }
    return true;
}

bool TXmlTextExtractor::EntityDone() {
    char32_t C;
    if (DecodeXmlReference(FEntity, FEntityLength, C)) return CodePoint(C);
    // Not a reference: the text as written.
    return Unit('&') && TextBytes(reinterpret_cast<const unsigned char*>(FEntity), FEntityLength) && Unit(';');
}

bool TXmlTextExtractor::StartElement(bool Empty) {
    const TFlags Flags = FTagFlags;
    if ((Flags & Skip) != 0) {
        if (!Empty) ++FSkipDepth;
        return true;
    }
    if (FSkipDepth > 0) return true;
    if ((Flags & Attribute) != 0 && !FValue.empty()) {
        if (!EndRun()) return false;
        const unsigned char* V = reinterpret_cast<const unsigned char*>(FValue.data());
        for (std::size_t I = 0; I < FValue.size();) {
            if (FValue[I] == '&') {
                const std::size_t Semi = FValue.find(';', I);
                char32_t C;
                if (Semi != std::string::npos && Semi - I <= sizeof FEntity &&
                    DecodeXmlReference(FValue.data() + I + 1, Semi - I - 1, C)) {
                    if (!CodePoint(C)) return false;
                    I = Semi + 1;
                    continue;
                }
            }
            if (!TextBytes(V + I, 1)) return false;
            ++I;
        }
        FValue.clear();
        if (!EndRun()) return false;
    }
    if ((Flags & (Break | LineBreak)) != 0 && !EndRun()) return false;
    if ((Flags & Container) != 0 && !Empty) ++FContainerDepth;
    if ((Flags & Space) != 0 && !Unit(' ')) return false;
    if ((Flags & Tab) != 0 && !Unit('\t')) return false;
    return true;
}

void TXmlTextExtractor::EndElement(TFlags Flags) {
    if ((Flags & Skip) != 0) {
        if (FSkipDepth > 0) --FSkipDepth;
        return;
    }
    if (FSkipDepth > 0) return;
    if ((Flags & Container) != 0 && FContainerDepth > 0) --FContainerDepth;
    if ((Flags & Break) != 0) EndRun();
}

std::size_t TXmlTextExtractor::ReadPlain(const unsigned char* Data, std::size_t I, std::size_t Size) {
    TMarks Marks(Data, Size);
    TQuietScan Quiet(Data, Size, FQuietFirsts, FQuietCount);
    for (;;) {
        std::size_t J;
        if (!Shown()) {
            const bool Still = FQuietCount >= 0 && !FRunHasText && FNeed == 0 && FSkipDepth == 0;
            J = Still ? Quiet.Next(I) : Marks.Next(I, 0);
        } else {
            J = Marks.Next(I, ~std::uint64_t(0));
            if (J > I) {
                // A run the sink does not wait for is passed over undecoded; one that may end
                // within a character (at the buffer's end) is always decoded.
                if (FAwaits && J < Size && Passable(Data + I, J - I))
                    FRunHasText = true;
                else if (!TextBytes(Data + I, J - I))
                    return Size;
                if (FStopped) return Size;
            }
            if (J < Size && Data[J] == '&') {
                FState = TState::Entity;
                FEntityLength = 0;
                return J + 1;
            }
        }
        if (J == Size) return Size;
        I = J + 1;  // after the '<'
        // The name, read where sixteen bytes after it lie in the buffer; anything else (a tag
        // cut by the buffer's end, a long name, markup after "<!" or "<?") goes to the states.
        const unsigned char First = I < Size ? Data[I] : 0;
        const bool End = First == '/';
        const std::size_t At = I + (End ? 1 : 0);
        std::size_t NameAt, NameEnd;
        if (First == '!' || First == '?' || !FindTagName(Data, At, Size, NameAt, NameEnd)) break;
        // A break ends nothing while no text of the run is held: its name is then passed over.
        const TFlags Flags =
            FNames.Find(reinterpret_cast<const char*>(Data + NameAt), NameEnd - NameAt, FRunHasText || FNeed > 0);
        if (Flags == 0 && !Shown()) {
            // Outside shown text, a tag of no meaning is passed over: its name and attributes
            // hold no '<', so the next tag starts at the next '<'. Looking for it from here
            // rather than from the name's end keeps the search apart from reading the name.
            continue;
        }
        if ((Flags & Attribute) != 0) break;
        if (ActsAtStartOnly(Flags) && !Shown()) {
            // Likewise a tag that says all it says where it starts (a break, a space); a break
            // with no text before it in its run, the most common of them, changes nothing.
            if ((Flags & (Space | Tab)) == 0 && !FRunHasText && FNeed == 0) continue;
            FTagFlags = Flags;
            if (End)
                EndElement(Flags);
            else
                StartElement(false);
            if (FStopped) return Size;
            continue;
        }
        if (End) {
            // As in the EndTag state: outside shown text on to the next tag, else to the next '>'.
            EndElement(Flags);
            if (FStopped) return Size;
            if (!Shown()) continue;
            if (Data[NameEnd] == '>') {
                I = NameEnd + 1;
                continue;
            }
            const void* Gt = std::memchr(Data + NameEnd, '>', Size - NameEnd);
            if (Gt == nullptr) {
                FState = TState::EndTag;
                return Size;
            }
            I = static_cast<std::size_t>(static_cast<const unsigned char*>(Gt) - Data) + 1;
            continue;
        }
        // A start tag read to its '>', past its quoted values.
        J = TagEnd(Data, NameEnd, Size);
        if (J == Size) break;
        FTagFlags = Flags;
        StartElement(Data[J - 1] == '/');
        if (FStopped) return Size;
        I = J + 1;
    }
    FState = TState::TagOpen;
    return I;
}

bool TXmlTextExtractor::FeedUtf8(const unsigned char* Data, std::size_t Size) {
    std::size_t I = 0;
    while (I < Size && !FStopped) {
        switch (FState) {
        case TState::Start:
        case TState::Text: {
            FState = TState::Text;
            // Text and the plain tags that lie whole in the buffer are read in one go; anything
            // else goes through the states one byte at a time.
            I = ReadPlain(Data, I, Size);
            break;
        }
        case TState::Entity: {
            const unsigned char C = Data[I];
            if (C == ';') {
                ++I;
                FState = TState::Text;
                if (!EntityDone()) return false;
            } else if (C != '<' && C != '&' && !IsSpace(C) && FEntityLength < sizeof FEntity) {
                FEntity[FEntityLength++] = static_cast<char>(C);
                ++I;
            } else {
                // No reference after all: the '&' and what followed are text; C is read again.
                FState = TState::Text;
                if (!Unit('&') || !TextBytes(reinterpret_cast<const unsigned char*>(FEntity), FEntityLength))
                    return false;
            }
            break;
        }
        case TState::TagOpen: {
            const unsigned char C = Data[I];
            FName.clear();
            FNameTooLong = false;
            FSlashSeen = false;
            FAttrLength = 0;
            FValue.clear();
            if (C == '/') {
                FState = TState::EndName;
                ++I;
            } else if (C == '!') {
                FState = TState::Bang;
                FBangLength = 0;
                ++I;
            } else if (C == '?') {
                FState = TState::Pi;
                FTrail = 0;
                ++I;
            } else {
                FState = TState::StartName;
            }
            break;
        }
        case TState::StartName:
        case TState::EndName: {
            std::size_t J = I;
            while (J < Size && !NameStops.Stop[Data[J]]) {
                const char C = static_cast<char>(Data[J++]);
                if (C == ':') {
                    FName.clear();  // the local name follows the prefix
                    FNameTooLong = false;
                } else if (FName.size() < FNames.Longest()) {
                    FName += C;
                } else {
                    FNameTooLong = true;  // longer than any listed name
                }
            }
            I = J;
            if (I == Size) return true;
            const std::size_t Length = FNameTooLong ? 0 : FName.size();
            if (FState == TState::StartName) {
                FTagFlags = FNames.Find(FName.data(), Length);
                // As in WholeTag: outside shown text, a tag that acts at its start only does so
                // now, and its attributes are passed over up to the next tag.
                if (ActsAtStartOnly(FTagFlags) && !Shown()) {
                    FState = TState::Text;
                    if (FTagFlags != 0 && !StartElement(false)) return false;
                } else {
                    FState = TState::InTag;
                }
            } else {
                EndElement(FNames.Find(FName.data(), Length));
                FState = Shown() ? TState::EndTag : TState::Text;
            }
            break;
        }
        case TState::InTag: {
            if ((FTagFlags & Attribute) == 0) {
                // No attribute of this tag is text: on to its end or its next quoted value.
                std::size_t J = I;
                while (J < Size && !TagStops.Stop[Data[J]]) ++J;
                if (J > I) FSlashSeen = Data[J - 1] == '/';
                I = J;
                if (I == Size) return true;
            }
            const unsigned char C = Data[I++];
            if (C == '>') {
                FState = TState::Text;
                if (!StartElement(FSlashSeen)) return false;
            } else if (C == '/') {
                FSlashSeen = true;
            } else if (C == '"' || C == '\'') {
                FQuote = static_cast<char>(C);
                FCapturing = (FTagFlags & Attribute) != 0 && FAttributeName != nullptr &&
                             FAttrLength == std::strlen(FAttributeName) &&
                             std::memcmp(FAttr, FAttributeName, FAttrLength) == 0;
                FState = TState::InQuote;
            } else if (!IsSpace(C) && C != '=') {
                FSlashSeen = false;
                if (C == ':')
                    FAttrLength = 0;
                else if (FAttrLength < sizeof FAttr)
                    FAttr[FAttrLength++] = static_cast<char>(C);
            }
            break;
        }
        case TState::InQuote: {
            const void* Close = std::memchr(Data + I, FQuote, Size - I);
            const std::size_t End = Close != nullptr ? static_cast<const unsigned char*>(Close) - Data : Size;
            if (FCapturing) {
                const std::size_t Room = XmlMaxAttributeValue - FValue.size();
                FValue.append(reinterpret_cast<const char*>(Data + I), std::min(Room, End - I));
            }
            I = End;
            if (Close != nullptr) {
                ++I;
                FAttrLength = 0;
                FSlashSeen = false;
                FState = TState::InTag;
            }
            break;
        }
        case TState::EndTag: {
            const void* Gt = std::memchr(Data + I, '>', Size - I);
            if (Gt == nullptr) return true;
            I = static_cast<const unsigned char*>(Gt) - Data + 1;
            FState = TState::Text;
            break;
        }
        case TState::Bang: {
            static const char Comment[] = "--", CData[] = "[CDATA[";
            const char C = static_cast<char>(Data[I]);
            const std::size_t At = FBangLength;
            const bool MayComment = At < 2 && std::memcmp(FBang, Comment, At) == 0 && C == Comment[At];
            const bool MayCData = At < 7 && std::memcmp(FBang, CData, At) == 0 && C == CData[At];
            if (!MayComment && !MayCData) {
                FState = TState::Doctype;  // any other declaration, read to its end; C again
                FBracketDepth = 0;
                break;
            }
            FBang[FBangLength++] = C;
            ++I;
            FTrail = 0;
            if (MayComment && FBangLength == 2)
                FState = TState::Comment;
            else if (MayCData && FBangLength == 7)
                FState = TState::CData;
            break;
        }
        case TState::Comment: {
            const unsigned char C = Data[I++];
            if (C == '>' && FTrail >= 2)
                FState = TState::Text;
            else
                FTrail = C == '-' ? FTrail + 1 : 0;
            break;
        }
        case TState::CData: {
            const unsigned char C = Data[I++];
            if (C == ']') {
                if (FTrail == 2) {
                    if (Shown() && !Unit(']')) return false;
                } else {
                    ++FTrail;
                }
            } else if (C == '>' && FTrail == 2) {
                FState = TState::Text;
            } else {
                if (Shown()) {
                    for (int K = 0; K < FTrail; ++K)
                        if (!Unit(']')) return false;
                    if (!TextBytes(&C, 1)) return false;
                }
                FTrail = 0;
            }
            break;
        }
        case TState::Pi: {
            const unsigned char C = Data[I++];
            if (C == '>' && FTrail == 1)
                FState = TState::Text;
            else
                FTrail = C == '?' ? 1 : 0;
            break;
        }
        case TState::Doctype: {
            const unsigned char C = Data[I++];
            if (C == '[')
                ++FBracketDepth;
            else if (C == ']' && FBracketDepth > 0)
                --FBracketDepth;
            else if (C == '>' && FBracketDepth == 0)
                FState = TState::Text;
            break;
        }
        }
    }
    return !FStopped;
}
