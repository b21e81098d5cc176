load Evening.PRF
load /Lists/A.M3U
load Week.sdl
load notes.txt
playfile /Music/Song.MP3
getrandomplaylist /nonexistent/Lists
clearplaylist
profile Night
