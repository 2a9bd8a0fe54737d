#include "automation/calc/chart_values.h"

#include <com/sun/star/chart2/data/XDataProvider.hpp>
#include <com/sun/star/chart2/data/XDataSource.hpp>
#include <com/sun/star/chart2/data/XLabeledDataSequence.hpp>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>

#include "automation/calc/calc_objects.h"

namespace vx::automation::calc {

// What a chart's series moves take: the series as last given, their labelled sequences
// (fetched once after the chart was given its ranges), and the sequences made ahead.
struct SeriesValues {
  std::vector<size_t> series;
  bool labelled = false;
  std::vector<Reference<css::chart2::data::XLabeledDataSequence>> slots;
  Reference<css::chart2::data::XDataProvider> provider;
  // The sequences wanted ahead, by reference in Calc's own syntax: empty until the lane of
  // the work done ahead has made them.
  struct Made {
    std::mutex mutex;
    std::condition_variable done;
    std::map<std::string, Reference<css::chart2::data::XDataSequence>> sequences;
  };
  std::shared_ptr<Made> made = std::make_shared<Made>();
};

namespace {

// How long the chart waits for a sequence being made ahead before it is given its ranges
// anew instead: far longer than making one takes.
constexpr auto kLongestWaitAhead = std::chrono::seconds(5);

bool SameAddress(const css::table::CellRangeAddress& a, const css::table::CellRangeAddress& b) {
  return a.Sheet == b.Sheet && a.StartColumn == b.StartColumn && a.StartRow == b.StartRow &&
         a.EndColumn == b.EndColumn && a.EndRow == b.EndRow;
}

// Where series `k`'s values are in the ranges as given.
sal_Int32 ValuesIndex(const DrawnRanges& drawn, size_t k) {
  return static_cast<sal_Int32>(drawn.labelled ? 2 * k + 1 : k);
}

// The labelled sequence of each drawn series, as Calc holds them: each series of this
// host's charts has one, its label and its values.
bool FetchSlots(ChartState& chart, SeriesValues& values) {
  const Sequence<Reference<css::chart2::XDataSeries>> series = DrawnSeries(chart);
  if (static_cast<size_t>(series.getLength()) != values.series.size()) return false;
  std::vector<Reference<css::chart2::data::XLabeledDataSequence>> slots;
  for (const auto& each : series) {
    const auto sequences = As<css::chart2::data::XDataSource>(each)->getDataSequences();
    if (sequences.getLength() != 1) return false;
    slots.push_back(sequences[0]);
  }
  values.slots = std::move(slots);
  return true;
}

// Runs on the lane of the work done ahead.
void MakeAhead(css::chart2::data::XDataProvider& provider, SeriesValues::Made& made,
               const std::string& reference) {
  {
    // A guess the chart has moved past since it was queued is not made.
    const std::lock_guard lock(made.mutex);
    if (made.sequences.count(reference) == 0) return;
  }
  Reference<css::chart2::data::XDataSequence> sequence;
  try {
    sequence = provider.createDataSequenceByRangeRepresentation(ToUno(reference));
    As<css::beans::XPropertySet>(sequence)->setPropertyValue("Role",
                                                             AnyOf(rtl::OUString("values-y")));
  } catch (...) {
    sequence.clear();  // not made: the chart is given its ranges anew, as without it
  }
  {
    const std::lock_guard lock(made.mutex);
    const auto wanted = made.sequences.find(reference);
    if (wanted != made.sequences.end()) {
      if (sequence.is()) {
        wanted->second = sequence;
      } else {
        made.sequences.erase(wanted);
      }
    }
  }
  made.done.notify_all();
}

}  // namespace

bool MoveSeriesValues(ChartState& chart, const DrawnRanges& next) {
  SeriesValues* values = chart.seriesValues.get();
  const Sequence<css::table::CellRangeAddress>& drawn = chart.drawn;
  if (values == nullptr || values->series != next.series || values->labelled != next.labelled ||
      drawn.getLength() != next.ranges.getLength() || next.series.empty()) {
    return false;
  }
  std::vector<std::pair<size_t, Reference<css::chart2::data::XDataSequence>>> moves;
  {
    SeriesValues::Made& made = *values->made;
    std::unique_lock lock(made.mutex);
    for (size_t k = 0; k < next.series.size(); ++k) {
      const sal_Int32 index = ValuesIndex(next, k);
      if (next.labelled && !SameAddress(drawn[index - 1], next.ranges[index - 1])) return false;
      if (SameAddress(drawn[index], next.ranges[index])) continue;
      const std::string& reference = next.calcReferences[index];
      // One still being made is nearly there, and waiting for it costs less than the chart
      // made anew; one that could not be made is gone from the map.
      auto found = made.sequences.find(reference);
      const bool there = made.done.wait_for(lock, kLongestWaitAhead, [&] {
        found = made.sequences.find(reference);
        return found == made.sequences.end() || found->second.is();
      });
      if (!there || found == made.sequences.end()) return false;
      moves.emplace_back(k, found->second);
    }
  }
  if (values->slots.empty() && !FetchSlots(chart, *values)) return false;
  for (const auto& [k, sequence] : moves) values->slots[k]->setValues(sequence);
  return true;
}

void ChartGivenRanges(ChartState& chart, const DrawnRanges& drawn) {
  if (!chart.seriesValues) chart.seriesValues = std::make_shared<SeriesValues>();
  chart.seriesValues->series = drawn.series;
  chart.seriesValues->labelled = drawn.labelled;
  chart.seriesValues->slots.clear();
}

void MakeNextValuesAhead(BookState& book, ChartState& chart,
                         const Sequence<css::table::CellRangeAddress>& before,
                         const DrawnRanges& now) {
  SeriesValues* values = chart.seriesValues.get();
  if (values == nullptr || !book.Office().Batching() || !chart.conversion.is() ||
      before.getLength() != now.ranges.getLength()) {
    return;
  }
  // The data provider made the chart's ranges' conversion: it makes the sequences too.
  if (!values->provider.is()) {
    try {
      values->provider = As<css::chart2::data::XDataProvider>(chart.conversion);
    } catch (const css::uno::Exception&) {
      return;  // no guesses: the chart is given its ranges anew at every move
    }
  }
  std::set<std::string> wanted;
  for (size_t k = 0; k < now.series.size(); ++k) {
    const sal_Int32 index = ValuesIndex(now, k);
    const css::table::CellRangeAddress& from = before[index];
    const css::table::CellRangeAddress& to = now.ranges[index];
    if (from.Sheet != to.Sheet || from.StartColumn != to.StartColumn ||
        from.EndColumn != to.EndColumn) {
      continue;
    }
    const int firstStep = to.StartRow - from.StartRow;
    const int lastStep = to.EndRow - from.EndRow;
    const CellBlock next{to.StartRow + 1 + firstStep, to.StartColumn + 1, to.EndRow + 1 + lastStep,
                         to.EndColumn + 1};
    if ((firstStep == 0 && lastStep == 0) || next.firstRow < 1 || next.lastRow >= kMaxRows ||
        next.firstRow > next.lastRow) {
      continue;
    }
    for (const SheetPtr& sheet : book.sheets) {
      if (sheet->calcIndex == to.Sheet) wanted.insert(CalcReference(sheet->name, next));
    }
  }
  std::vector<std::string> toMake;
  {
    const std::lock_guard lock(values->made->mutex);
    auto& sequences = values->made->sequences;
    for (auto it = sequences.begin(); it != sequences.end();) {
      it = wanted.count(it->first) != 0 ? std::next(it) : sequences.erase(it);
    }
    for (const std::string& reference : wanted) {
      if (sequences.emplace(reference, nullptr).second) toMake.push_back(reference);
    }
  }
  for (const std::string& reference : toMake) {
    const bool queued =
        book.Office().Lanes().PostAhead([provider = values->provider, made = values->made,
                                         reference]() { MakeAhead(*provider, *made, reference); });
    if (!queued) {
      const std::lock_guard lock(values->made->mutex);
      values->made->sequences.erase(reference);
    }
  }
}

}  // namespace vx::automation::calc
