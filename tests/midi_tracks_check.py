#!/usr/bin/python3
"""A file of 'halcyone-cli compose --tracks' against the one-track file of the same set-up, as
mido (not our code) reads both: format 1 and the same division; a first track holding the meta
events of the one-track file; then a track for each channel that starts a note, in channel
order, named as given, holding exactly that channel's events at the same ticks with the same
bytes; every track ending where the one-track file ends.

Usage: midi_tracks_check.py ONE.mid TRACKS.mid NAME...   Prints what differs; exit status 1 then.
"""
import sys

import mido


def timed(track):
    """(absolute tick, message) for each message of the track."""
    tick = 0
    for message in track:
        tick += message.time
        yield tick, message


def end_tick(track):
    return [t for t, m in timed(track) if m.type == 'end_of_track']


def channel_events(track, channel):
    return [(t, m.bytes()) for t, m in timed(track) if not m.is_meta and m.channel == channel]


def main(one_path, tracks_path, names):
    one, tracks = mido.MidiFile(one_path), mido.MidiFile(tracks_path)
    problems = []
    if one.type != 0 or len(one.tracks) != 1:
        return ['the one-track file is not of format 0 with one track']
    source = one.tracks[0]
    end = end_tick(source)
    playing = sorted({m.channel for _, m in timed(source)
                      if m.type == 'note_on' and m.velocity > 0 and m.channel < 5})
    if tracks.type != 1 or tracks.ticks_per_beat != one.ticks_per_beat:
        problems.append(f'format {tracks.type}, division {tracks.ticks_per_beat}')
    if len(tracks.tracks) != 1 + len(names) or len(names) != len(playing):
        problems.append(f'{len(tracks.tracks)} tracks for {len(playing)} channels that play, '
                        f'{len(names)} names expected')
        return problems

    meta = [(t, m.dict()) for t, m in timed(source) if m.is_meta and m.type != 'end_of_track']
    first = tracks.tracks[0]
    if [(t, m.dict()) for t, m in timed(first) if m.type != 'end_of_track'] != meta:
        problems.append('the first track does not hold exactly the meta events')
    for channel, name, track in zip(playing, names, tracks.tracks[1:]):
        if track.name != name or track[0].type != 'track_name':
            problems.append(f'channel {channel + 1}: named {track.name!r}, not {name!r}')
        if channel_events(track, channel) != channel_events(source, channel):
            problems.append(f'channel {channel + 1}: its events differ from the one-track file')
        if any(not m.is_meta and m.channel != channel for m in track):
            problems.append(f'channel {channel + 1}: its track holds another channel\'s events')
    for number, track in enumerate(tracks.tracks):
        if end_tick(track) != end or track[-1].type != 'end_of_track':
            problems.append(f'track {number + 1} ends at {end_tick(track)}, not at {end}')
    return problems


if __name__ == '__main__':
    found = main(sys.argv[1], sys.argv[2], sys.argv[3:])
    for problem in found:
        print(problem)
    sys.exit(1 if found else 0)
