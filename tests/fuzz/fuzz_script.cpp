// Scripts of the script driver as hostile input: every text parses into steps or into one
// error with a line of the text, never both, and every step names a line that exists.
#include <QString>
#include <algorithm>

#include "FuzzSupport.h"
#include "script/ScriptParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const corv::ParsedScript parsed = corv::parseScript(text);
    const int lines = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    if (parsed.error) {
        FUZZ_CHECK(parsed.steps.empty(), "an error and steps at once");
        FUZZ_CHECK(!parsed.error->message.isEmpty(), "an error without a message");
        FUZZ_CHECK(parsed.error->line >= 1 && parsed.error->line <= lines,
                   "an error on line " + std::to_string(parsed.error->line) + " of " + std::to_string(lines));
        return 0;
    }
    int previous = 0;
    for (const corv::ScriptStep& step : parsed.steps) {
        FUZZ_CHECK(step.line > previous && step.line <= lines, "a step on a line out of order or past the end");
        previous = step.line;
        FUZZ_CHECK(!corv::commandName(step.command).isEmpty(), "a step without a command name");
        // A wait's number is its time; a wait-until's number is the value it waits for (a
        // tab layout's page may be -1), its time limit is timeoutMs.
        if (step.command == corv::ScriptCommand::Wait)
            FUZZ_CHECK(step.number >= 0, "a negative wait");
        if (step.command == corv::ScriptCommand::WaitUntil)
            FUZZ_CHECK(step.timeoutMs >= 0, "a negative time limit");
    }
    return 0;
}
