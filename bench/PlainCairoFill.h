// The reference of the drawing benchmarks: what the least a section's picture costs, a new
// ARGB surface of the section's pixel size filled once with the list's translucent black.
#pragma once

#include <benchmark/benchmark.h>
#include <cairo.h>

namespace kestrel::bench {

// `width` × `height` points at `scale` pixels per point.
inline void plainCairoFill(double width, double height, double scale) {
  cairo_surface_t* surface =
      cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(width * scale), int(height * scale));
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgba(cr, 0, 0, 0, 0.6);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
  cairo_surface_destroy(surface);
}

}  // namespace kestrel::bench
