#pragma once
// A small PDF writer for the decoder suites: numbered objects, streams, and the three ways a file
// can index them (a cross-reference table, a cross-reference stream with an object stream, none).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

class TPdfBuilder {
public:
    enum class TXref { Table, Stream, None };

    std::vector<std::string> Objects;  // the body of object I + 1

    int Add(std::string Body) {
        Objects.push_back(std::move(Body));
        return static_cast<int>(Objects.size());
    }
    static std::string Stream(const std::string& Dict, const std::string& Data) {
        return "<<" + Dict + " /Length " + std::to_string(Data.size()) + ">>\nstream\n" + Data + "\nendstream";
    }
    // The file, with Trailer's entries (besides /Size) in its trailer. In Stream mode the objects
    // that are no streams go into one object stream.
    std::string Build(const std::string& Trailer = "/Root 1 0 R", TXref Mode = TXref::Table) const {
        std::string Out = "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n";
        const int Size = static_cast<int>(Objects.size());
        std::vector<long> Offsets(Size + 3, 0);
        std::vector<int> InStream(Size + 3, -1);
        std::string Members, Header;
        for (int I = 0; I < Size; ++I) {
            const std::string& Body = Objects[I];
            if (Mode == TXref::Stream && Body.find("stream\n") == std::string::npos) {
                Header += std::to_string(I + 1) + " " + std::to_string(Members.size()) + " ";
                InStream[I + 1] = static_cast<int>(Header.size());
                Members += Body + "\n";
                continue;
            }
            Offsets[I + 1] = static_cast<long>(Out.size());
            Out += std::to_string(I + 1) + " 0 obj\n" + Body + "\nendobj\n";
        }
        if (Mode == TXref::None) return Out + "%%EOF\n";
        if (Mode == TXref::Table) {
            const long At = static_cast<long>(Out.size());
            Out += "xref\n0 " + std::to_string(Size + 1) + "\n0000000000 65535 f \n";
            for (int I = 1; I <= Size; ++I) {
                char Line[24];
                std::snprintf(Line, sizeof Line, "%010ld 00000 n \n", Offsets[I]);
                Out += Line;
            }
            return Out + "trailer\n<</Size " + std::to_string(Size + 1) + " " + Trailer + ">>\nstartxref\n" +
                   std::to_string(At) + "\n%%EOF\n";
        }
        // The object stream is object Size + 1, the cross-reference stream Size + 2.
        const int Stm = Size + 1, Xref = Size + 2;
        Offsets[Stm] = static_cast<long>(Out.size());
        const int Count = static_cast<int>(std::count(InStream.begin(), InStream.end(), -1));
        Out +=
            std::to_string(Stm) + " 0 obj\n" +
            Stream("/Type /ObjStm /N " + std::to_string(Size + 3 - Count) + " /First " + std::to_string(Header.size()),
                   Header + Members) +
            "\nendobj\n";
        Offsets[Xref] = static_cast<long>(Out.size());
        std::string Rows;
        int Index = 0;
        for (int I = 0; I <= Xref; ++I) {
            const bool Member = I <= Size && InStream[I] >= 0;
            const long Field = Member ? Stm : Offsets[I];
            Rows += static_cast<char>(I == 0 ? 0 : Member ? 2 : 1);
            for (int S = 24; S >= 0; S -= 8) Rows += static_cast<char>((Field >> S) & 0xFF);
            Rows += static_cast<char>(0);
            Rows += static_cast<char>(Member ? Index++ : 0);
        }
        Out += std::to_string(Xref) + " 0 obj\n" +
               Stream("/Type /XRef /W [1 4 2] /Size " + std::to_string(Xref + 1) + " " + Trailer, Rows) + "\nendobj\n";
        return Out + "startxref\n" + std::to_string(Offsets[Xref]) + "\n%%EOF\n";
    }
};
