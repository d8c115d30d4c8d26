// SPDX-License-Identifier: GPL-3.0-or-later

// The syntax highlighter on realistic lines of each language and on pathological lines.
//   per-language benchmarks: time per line, lines per second, and the slowest single line
//   (wall clock, so a descheduled moment shows up there)
//   pathological benchmarks: time for one line
#include "highlight/syntaxhighlighter.h"

#include <benchmark/benchmark.h>

#include <chrono>

using namespace varnel;
using Language = SyntaxHighlighter::Language;

namespace {

// Typical lines, about 100 characters each, as they appear in real files.
QStringList sampleLines(Language language)
{
    switch (language) {
    case Language::json:
        return {
            R"(    "name": "varnel-desktop-application", "version": "1.4.2", "private": true, "license": "MIT",)",
            R"(    "dependencies": { "left-pad": "^1.3.0", "lodash": "4.17.21", "react": "18.2.0", "x": null },)",
            R"(    { "id": 1045, "title": "Quarterly report \"final\"", "score": -12.5e3, "tags": ["a", "b"] },)",
        };
    case Language::xml:
        return {
            R"(  <dependency scope="test" optional="false"><groupId>org.example</groupId><version>2.1</version>)",
            R"(  <!-- the renderer keeps one layout for print and for the screen, see the design notes -->   )",
            R"(  <item id="note-17" xml:lang="en">Caf&#233; &amp; bar &lt;open&gt; until 10pm</item>       )",
        };
    case Language::python:
        return {
            R"(    def compute_totals(self, records: list[dict], *, strict: bool = False) -> dict:  # totals)",
            R"(        result = {key: sum(int(v) for v in values) for key, values in groups.items() if v})",
            R"(    @property                                                                             )",
            R"(        return f"{self.name!r} has {len(self.items)} items and 0x1F flags" if ok else None )",
        };
    case Language::javascript:
    case Language::tsx:
        return {
            R"(export async function loadUser(id, { retries = 3, timeout = 2500 } = {}) { // fetch one user)",
            R"(  const total = items.reduce((sum, item) => sum + item.price * 1.2e0, 0); /* incl. tax */  )",
            R"(  return <div className="card" onClick={() => select(`user-${id}`)}>{name ?? 'anon'}</div>;)",
        };
    case Language::ruby:
        return {
            R"(  def process(records, strict: false) # returns a Hash of totals keyed by :region symbol  )",
            R"(    totals = records.each_with_object(Hash.new(0)) { |r, h| h[r[:region]] += r[:amount] } )",
            R"(    raise ArgumentError, "no records for #{name}" if records.nil? || records.empty? && 42 )",
        };
    }
    return {};
}

void highlightLanguage(benchmark::State& state, Language language)
{
    const QStringList lines = sampleLines(language);
    for (const QString& line : lines) // the first call compiles the language's patterns
        benchmark::DoNotOptimize(SyntaxHighlighter::highlight(line, language).data());
    double worst = 0;
    qint64 count = 0;
    for (auto _ : state) {
        for (const QString& line : lines) {
            const auto start = std::chrono::steady_clock::now();
            QList<HighlightRun> runs = SyntaxHighlighter::highlight(line, language);
            benchmark::DoNotOptimize(runs.data());
            worst = std::max(
                worst, std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
            ++count;
        }
    }
    state.counters["lines/s"] = benchmark::Counter(double(count), benchmark::Counter::kIsRate);
    state.counters["us/line"] =
        benchmark::Counter(double(count), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["worst_us"] = worst;
}

// Lines built to hurt: each as long as the colouring goes, or longer.
QString pathological(int kind)
{
    const qsizetype n = SyntaxHighlighter::kColourLimit;
    switch (kind) {
    case 0: { // minified JSON, 5 MB on one line
        QString line;
        while (line.size() < 5'000'000)
            line += QStringLiteral(R"({"id":12345,"name":"x\"y","ok":true,"v":[1.5e3,null]},)");
        return line;
    }
    case 1: // a digit run that ends in a letter (quadratic for \d+\.?\d*\b)
        return QString(n - 1, u'7') + u'x';
    case 2: // an unterminated string full of escaped quotes
        return u'"' + QString(n / 2, u'x').replace(u'x', QStringLiteral("\\\"")).left(n - 1);
    case 3: // block comments that never close
        return QString(n / 2, u'x').replace(u'x', QStringLiteral("/*")).left(n);
    case 4: // one name, no "=" after it
        return QString(n, u'a');
    default: // triple quotes without a closing one
        return QStringLiteral("f\"\"\"") + QString(n - 4, u'\'');
    }
}

void highlightPathological(benchmark::State& state, int kind, Language language)
{
    const QString line = pathological(kind);
    for (auto _ : state) {
        QList<HighlightRun> runs = SyntaxHighlighter::highlight(line, language);
        benchmark::DoNotOptimize(runs.data());
    }
    state.counters["chars"] = double(line.size());
}

const bool registered = [] {
    for (const LanguageName& entry : kLanguages) { // every language the readers' table names
        benchmark::RegisterBenchmark(("highlight/" + languageName(entry.language).toStdString()).c_str(),
                                     highlightLanguage, entry.language);
    }

    const std::tuple<const char*, int, Language> cases[] = {
        {"minified-json-5MB", 0, Language::json},
        {"digits-then-letter/python", 1, Language::python},
        {"digits-then-letter/javascript", 1, Language::javascript},
        {"digits-then-letter/ruby", 1, Language::ruby},
        {"escaped-quotes-unclosed/javascript", 2, Language::javascript},
        {"escaped-quotes-unclosed/python", 2, Language::python},
        {"comments-unclosed/tsx", 3, Language::tsx},
        {"long-name/xml", 4, Language::xml},
        {"long-name/python", 4, Language::python},
        {"triple-quote-unclosed/python", 5, Language::python},
    };
    for (const auto& [name, kind, language] : cases) {
        benchmark::RegisterBenchmark((std::string("pathological/") + name).c_str(), highlightPathological, kind,
                                     language)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
