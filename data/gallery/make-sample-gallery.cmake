# Makes the sample gallery that ships with Quintara: a handful of 1080p H.264 loops drawn by
# ffmpeg's generated sources, a poster for each, and the catalog that lists them.
#   cmake -DFFMPEG=ffmpeg -DOUT=dir -P make-sample-gallery.cmake
# OUT receives ID.mp4 and ID.jpg per entry, catalog.json.in (its URLs begin with @GALLERY_BASE@)
# and catalog.json for the folder itself.
cmake_minimum_required(VERSION 3.25)

set(size 1920x1080)
set(rate 30)
set(entries)

# entry(ID TITLE DESCRIPTION TAGS SOURCE SECONDS FADE SCALING)
# SOURCE is a lavfi graph without ";" drawing at least SECONDS + FADE seconds, at any size; the
# loop is scaled up to 1080p at the end with the SCALING algorithm (drawing small is much
# cheaper). The loop is its first SECONDS, with the FADE seconds that follow blended into its
# start, so its end runs on into its start. A FADE of 0 plays SOURCE forwards and then backwards.
function(entry id title description tags source seconds fade scaling)
  set(video ${OUT}/${id}.mp4)
  set(partial ${OUT}/${id}.part.mp4)
  set(script ${OUT}/${id}.graph)
  set(encode -pix_fmt yuv420p -c:v libx264 -preset veryfast -crf 22 -g 60 -movflags +faststart)
  set(inputs -f lavfi -i "${source},trim=duration=${seconds}")
  if(fade EQUAL 0)
    set(graph "[0]split[f][r];[r]reverse[b];[f][b]concat")
  else()
    list(APPEND inputs -f lavfi
         -i "${source},trim=start=${seconds}:duration=${fade},setpts=PTS-STARTPTS")
    set(graph "[0][1]blend=all_expr='A*min(T/${fade}\\,1)+B*(1-min(T/${fade}\\,1))':eof_action=pass")
  endif()
  file(WRITE ${script} "${graph},scale=${size}:flags=${scaling}")
  execute_process(COMMAND ${FFMPEG} -nostdin -loglevel error -y ${inputs}
                          -filter_complex_script ${script} ${encode} ${partial}
                  RESULT_VARIABLE failed)
  file(REMOVE ${script})
  if(failed)
    message(FATAL_ERROR "ffmpeg could not make ${id}")
  endif()
  file(RENAME ${partial} ${video})
  execute_process(COMMAND ${FFMPEG} -nostdin -loglevel error -y -ss 3 -i ${video} -frames:v 1
                          -vf scale=640:360 -q:v 3 ${OUT}/${id}.jpg
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "ffmpeg could not make the poster of ${id}")
  endif()
  file(SIZE ${video} bytes)
  set(tag_list)
  foreach(tag IN LISTS tags)
    list(APPEND tag_list "\"${tag}\"")
  endforeach()
  list(JOIN tag_list ", " tag_list)
  set(json "    {
      \"id\": \"${id}\",
      \"title\": \"${title}\",
      \"description\": \"${description}\",
      \"tags\": [${tag_list}],
      \"credit\": \"Quintara\",
      \"licence\": {
        \"name\": \"CC0 1.0\",
        \"url\": \"https://creativecommons.org/publicdomain/zero/1.0/\"
      },
      \"video\": \"@GALLERY_BASE@/${id}.mp4\",
      \"poster\": \"@GALLERY_BASE@/${id}.jpg\",
      \"bytes\": ${bytes}
    }")
  set(entries ${entries} "${json}" PARENT_SCOPE)
endfunction()

file(MAKE_DIRECTORY ${OUT})
set(g "gradients=s=960x540:r=${rate}:seed=1")

entry(ember-drift "Ember Drift"
  "Amber and rose light turning slowly across a midnight sky."
  "Abstract;Warm"
  "${g}:n=4:c0=0xf59e38:c1=0xd9576b:c2=0x5b2a86:c3=0x1b1f4a:x0=240:y0=0:x1=720:y1=540:speed=0.02"
  6 2 bicubic)
entry(lagoon "Lagoon"
  "Teal water light sweeping around a calm centre."
  "Abstract;Water"
  "${g}:n=4:c0=0x0b3d5c:c1=0x138a8a:c2=0x7fd6c2:c3=0x0b3d5c:type=circular:x0=480:y0=270:x1=840:y1=400:speed=0.02"
  6 2 bicubic)
entry(aurora-veil "Aurora Veil"
  "Green and violet light wheeling overhead, like an aurora seen from below."
  "Abstract;Night"
  "${g}:n=4:c0=0x10122b:c1=0x2f7d6d:c2=0x9be38f:c3=0x5b2a86:type=spiral:x0=480:y0=270:x1=800:y1=400:speed=0.01"
  6 2 bicubic)
entry(mandelbrot-dive "Mandelbrot Dive"
  "A slow zoom into the edge of the Mandelbrot set, and back out."
  "Fractal"
  "mandelbrot=s=960x540:r=${rate}:maxiter=200:start_scale=0.05:end_scale=0.01:end_pts=90:inner=period,hue=h=160:s=0.55"
  3 0 lanczos)
entry(tide-pool "Tide Pool"
  "Conway's Game of Life growing and fading on a plum-coloured shore."
  "Generative;Pixel"
  "life=s=480x270:r=10:seed=7:mold=12:life_color=0xffcf7a:death_color=0x2a1636:mold_color=0x7a2a5c:ratio=0.25,fps=${rate},trim=start=3,setpts=PTS-STARTPTS"
  6 2 neighbor)

list(JOIN entries ",\n" body)
file(WRITE ${OUT}/catalog.json.in "{\n  \"wallpapers\": [\n${body}\n  ]\n}\n")

# The folder's own catalog, for a Quintara run from the build tree.
include(${CMAKE_CURRENT_LIST_DIR}/gallery-base.cmake)
gallery_base(base ${OUT})
set(GALLERY_BASE ${base})
configure_file(${OUT}/catalog.json.in ${OUT}/catalog.json @ONLY)
