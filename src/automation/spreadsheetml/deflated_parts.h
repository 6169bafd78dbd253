#pragma once

// Parts of a workbook package made and deflated before the save, several
// at a time: a per-client workbook has a part for every sheet, and making
// and deflating them one after another on the thread that saves is a good
// share of the conversion. The package then copies the deflated bytes.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/package/package.h"

namespace quorlex::automation::spreadsheetml {

class DeflatedPart : public package::PartProducer {
 public:
  DeflatedPart(std::shared_ptr<package::PartProducer> inner, int level)
      : inner_(std::move(inner)), level_(level) {}

  // Makes and deflates the part; safe on any thread, each part on one.
  void Deflate();

  std::optional<Deflated> AlreadyDeflated() override;
  void Start() override { next_ = 0; }
  bool Next(std::string& out) override;

 private:
  std::shared_ptr<package::PartProducer> inner_;
  int level_;
  std::optional<Deflated> result_;
  std::vector<std::string> pieces_;
  std::size_t next_ = 0;
};

// Deflates every part, on as many threads as there are cores; the first
// failure is thrown once all have stopped.
void DeflateAll(const std::vector<std::shared_ptr<DeflatedPart>>& parts);

}  // namespace quorlex::automation::spreadsheetml
