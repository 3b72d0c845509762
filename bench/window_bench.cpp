// Times a full search through the main window (list filled, status text shown, messages
// processed) and the same search through the engine alone with an empty callback:
// window_bench FOLDER CACHEROOT REPEATS. Prints both best times in seconds and the list's count.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "support/formatting.h"
#include "support/textrules.h"
#include "ui/Unit1.h"
#include "ui/application.h"

namespace {

void Ignore(const std::string&, int, bool&) {}

double BestOf(int Repeats, const std::function<void()>& Action) {
    double Best = 1e9;
    for (int I = 0; I < Repeats; ++I) {
        const auto Start = std::chrono::steady_clock::now();
        Action();
        const std::chrono::duration<double> Took = std::chrono::steady_clock::now() - Start;
        if (Took.count() < Best) Best = Took.count();
    }
    return Best;
}

}  // namespace

int main(int argc, char** argv) {
    ReadLocaleLeadBytes();  // the code page rules first, then the settings that depend on them
    ReadLocaleSettings();
    if (argc != 4) {
        std::fprintf(stderr, "usage: window_bench FOLDER CACHEROOT REPEATS\n");
        return 2;
    }
    const std::string Folder = argv[1];
    const int Repeats = std::atoi(argv[3]);

    Tzemzuvave Engine(argv[2]);
    Application.Initialize();
    Application.CreateForm(Form1);
    Form1->Show();
    Application.ProcessMessages();
    Form1->Edit1.SetText(Folder);
    Form1->ComboBox1.SetText("*.txt");

    // Taken in turns, so that both see the same state of the machine.
    double Alone = 1e9, Window = 1e9;
    for (int I = 0; I < Repeats; ++I) {
        Alone = std::min(Alone, BestOf(1, [&] { Engine.Search("", Folder, ".txt", false, Ignore); }));
        Window = std::min(Window, BestOf(1, [] { Form1->BitBtn7Click(nullptr); }));
    }
    std::printf("%.6f %.6f %d\n", Alone, Window, Form1->ListBox1.Count());
    Application.DestroyForms();
    return 0;
}
