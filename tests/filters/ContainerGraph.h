#pragma once
// Raw conversion graphs of the container filters for tests and benchmarks: type 1 to type 2
// (source, AVI Splitter, DV Splitter, AVI Mux, File writer), type 2 to type 1 (source, AVI
// Splitter, DV Muxer, AVI Mux, File writer) and a remux keeping the type, connected pin by pin as
// the builders do.
#include "platform/dshow/FilterGraph.h"
#include "platform/filters/AviMux.h"
#include "platform/filters/AviSplitter.h"
#include "platform/filters/DvMuxer.h"
#include "platform/filters/DvSplitter.h"
#include "platform/filters/FileSource.h"
#include "platform/filters/FileWriter.h"

#include <memory>
#include <string>

namespace containertest {

using ds::FAILED;
using ds::SUCCEEDED;

struct Graph {
    std::unique_ptr<ds::FilterGraph> graph = std::make_unique<ds::FilterGraph>();
    std::shared_ptr<ds::FileSource> source = std::make_shared<ds::FileSource>();
    std::shared_ptr<ds::AviSplitter> splitter = std::make_shared<ds::AviSplitter>();
    std::shared_ptr<ds::DvSplitter> dvSplitter = std::make_shared<ds::DvSplitter>();
    std::shared_ptr<ds::DvMuxer> dvMuxer = std::make_shared<ds::DvMuxer>();
    std::shared_ptr<ds::AviMux> mux = std::make_shared<ds::AviMux>();
    std::shared_ptr<ds::FileWriter> writer = std::make_shared<ds::FileWriter>();

    // The source loaded and connected to the AVI Splitter.
    bool Load(const std::string& in)
    {
        graph->AddFilter(source, "source");
        graph->AddFilter(splitter, "avisplitter");
        return SUCCEEDED(source->Load(in, nullptr)) &&
               SUCCEEDED(graph->Connect(source->GetPin(0), splitter->GetPin(0)));
    }

    // Loaded, with the mux and the writer, named, in the graph.
    bool Open(const std::string& in, const std::string& out)
    {
        graph->AddFilter(mux, "avimux");
        graph->AddFilter(writer, "destination");
        writer->SetFileName(out, nullptr);
        writer->SetMode(ds::AM_FILE_OVERWRITE);
        return Load(in);
    }

    // Type 1 to type 2: the interleaved stream split, video and each sound output to the mux.
    bool BuildType2(const std::string& in, const std::string& out)
    {
        if (!Open(in, out))
            return false;
        graph->AddFilter(dvSplitter, "dvsplitter");
        if (FAILED(graph->Connect(splitter->GetPin(0), dvSplitter->GetPin(0))))
            return false;
        for (int k = 1; k < dvSplitter->GetPinCount(); ++k)
            if (FAILED(graph->Connect(dvSplitter->GetPin(k), mux->GetPin(k))))
                return false;
        return SUCCEEDED(graph->Connect(mux->GetPin(0), writer->GetPin(0)));
    }

    // Type 2 to type 1: video and up to two sound streams into the DV Muxer, its output to the mux.
    bool BuildType1(const std::string& in, const std::string& out)
    {
        if (!Open(in, out))
            return false;
        graph->AddFilter(dvMuxer, "dvmuxer");
        const int outputs = splitter->GetPinCount() - 1;
        if (outputs < 1 || FAILED(graph->Connect(splitter->GetPin(0), dvMuxer->GetPin(0))))
            return false;
        for (int i = 1; i < outputs && i < 3; ++i)
            if (FAILED(graph->Connect(splitter->GetPin(i), dvMuxer->GetPin(i))))
                return false;
        const int last = dvMuxer->GetPinCount() - 1;
        return SUCCEEDED(graph->Connect(dvMuxer->GetPin(last), mux->GetPin(1))) &&
               SUCCEEDED(graph->Connect(mux->GetPin(0), writer->GetPin(0)));
    }

    // A remux: each output of the AVI Splitter straight into the mux, the file's type kept.
    bool BuildRemux(const std::string& in, const std::string& out)
    {
        if (!Open(in, out))
            return false;
        for (int k = 0; k + 1 < splitter->GetPinCount(); ++k) // the splitter's input pin is its last
            if (FAILED(graph->Connect(splitter->GetPin(k), mux->GetPin(k + 1))))
                return false;
        return SUCCEEDED(graph->Connect(mux->GetPin(0), writer->GetPin(0)));
    }

    // Runs unclocked to the end; the event code (EC_COMPLETE on success, EC_NONE on time-out).
    int32_t RunToEnd(int timeoutMs = 60000)
    {
        graph->SetSyncSource(nullptr);
        if (FAILED(graph->Run()))
            return -1;
        const int32_t ev = graph->WaitForCompletion(timeoutMs);
        graph->Stop();
        return ev;
    }
};

} // namespace containertest
