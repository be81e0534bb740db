#pragma once
// A device page with report-rate options ("polling_rate_option_"N). The main
// window has one route for those options and asks the current page through
// this view, so the mouse and the keyboard each keep their own rule for what
// an option means.

class ReportRatePage {
  public:
    // Takes option n of the page (its "selectchanged" while selected). True
    // when the profile changed: the caller then saves it and uploads the
    // device's settings record.
    virtual bool SelectReportRateOption(int n) = 0;

  protected:
    ~ReportRatePage() = default;
};
