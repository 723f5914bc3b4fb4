// Full repaints of the main window's toolbar button (style 8, 105 x 39): the bare face, and the
// face with its caption, shadowed icon and caption effects as the program shows it.

#include "controls/kvbutton/KvButtonRenderer.h"

#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

velmo::KvButtonModel toolbarModel(bool withContent)
{
    velmo::KvButtonModel m;
    m.props.buttonStyle = 8;
    m.props.backColor = 0xFDECE0;
    m.props.mode = velmo::KvOption;
    m.props.foreColor = 0;
    if (withContent) {
        QImage icon(24, 24, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        QPainter p(&icon);
        p.setBrush(QColor(40, 140, 60));
        p.drawEllipse(2, 2, 20, 20);
        p.end();
        m.props.caption = QStringLiteral("新建备忘录");
        m.props.font = QFont(QStringLiteral("Tahoma"));
        m.props.font.setPointSizeF(8.25);
        m.props.pictureNormal = velmo::KvPicture::fromIcon(icon);
        m.props.pictureAlign = 0;
        m.props.pictureShadow = true;
        m.props.maskColor = 0xFFFFFFFF;
        m.props.captionEffects = 4;
    }
    return m;
}

void repaint(benchmark::State& state, bool withContent)
{
    velmo::KvButtonModel model = toolbarModel(withContent);
    velmo::KvButtonRenderer renderer;
    velmo::KvRenderEnvironment env;
    QImage face;
    int hover = 0;
    for (auto _ : state) {
        model.run.buttonState = (hover++ & 1) ? velmo::KvHot : velmo::KvNormal;
        renderer.redraw(model, face, 105, 39, env);
        benchmark::DoNotOptimize(face.constBits());
    }
}

void BM_Style8FaceOnly(benchmark::State& state)
{
    repaint(state, false);
}

void BM_Style8ToolbarButton(benchmark::State& state)
{
    repaint(state, true);
}

BENCHMARK(BM_Style8FaceOnly)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Style8ToolbarButton)->Unit(benchmark::kMicrosecond);

} // namespace
