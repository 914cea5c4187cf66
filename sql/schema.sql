-- Schema of the protein-interaction database read by the STRING data source:
-- shared tables, the seed-table functions and the per-species table factory.
-- Load into an empty database as its owner: psql -v ON_ERROR_STOP=1 -f schema.sql

set client_min_messages = warning;

-- The source searches with to_tsquery('default', ...); the server ships no
-- configuration of that name, so one is made from the English one.
do $$
begin
  if not exists (select 1 from pg_ts_config where cfgname = 'default') then
    create text search configuration public."default" (copy = pg_catalog.english);
  end if;
end $$;

-- Substring searches on names ("like '%...%'") use trigram indexes when the
-- extension is available; without it they still work, only slower.
do $$
begin
  create extension if not exists pg_trgm;
exception when others then
  raise notice 'pg_trgm unavailable, name searches will scan';
end $$;

-- The tables are small enough to stay in memory; at the default random page
-- cost the planner scans all links instead of using the index per seed.
do $$
begin
  execute format('alter database %I set random_page_cost = 1.1', current_database());
  set random_page_cost = 1.1;
end $$;

create table if not exists species (
  species_id    integer primary key,
  official_name text not null,
  compact_name  text not null default ''
);

create table if not exists proteins (
  protein_id     text primary key,
  preferred_name text not null default '',
  annotation     text not null default '',
  species_id     integer not null references species(species_id)
);
create index if not exists proteins_species_idx on proteins(species_id);

-- A protein may be known under several sequence identifiers; the sequence is
-- kept once per identifier.
create table if not exists ids_protein_sequences (
  identifier text primary key,
  sequence   text not null
);
create table if not exists identifiers_proteins (
  identifier text not null references ids_protein_sequences(identifier),
  protein_id text not null references proteins(protein_id),
  primary key (protein_id, identifier)
);

create table if not exists experimental_sets (
  set_id  text primary key,
  title   text not null default '',
  comment text not null default '',
  url     text not null default ''
);
create table if not exists experimentalsets_items (
  set_id     text not null references experimental_sets(set_id),
  protein_id text not null,
  primary key (protein_id, set_id)
);
create table if not exists experimentalsets_pubmedrefs (
  set_id    text not null references experimental_sets(set_id),
  pubmed_id text not null,
  primary key (set_id, pubmed_id)
);

-- The seed table lives in each session's temporary schema, so clients that
-- expand networks at the same time never see each other's seeds.
create or replace function ensure_graphseed() returns void
language plpgsql as $$
begin
  if to_regclass('pg_temp.graphseed') is null then
    create temporary table graphseed (id text primary key);
  end if;
end $$;

create or replace function deleteseeds() returns integer
language plpgsql as $$
declare
  removed integer;
begin
  perform ensure_graphseed();
  delete from graphseed;
  get diagnostics removed = row_count;
  return removed;
end $$;

-- Temporary tables get no statistics on their own, and without them the
-- planner scans the whole links table; so the seed table is analysed whenever
-- its size doubles, and after every level.
create or replace function insertseed(seed text) returns integer
language plpgsql as $$
declare
  added integer;
  total integer;
begin
  perform ensure_graphseed();
  insert into graphseed(id) values (seed) on conflict do nothing;
  get diagnostics added = row_count;
  if added > 0 then
    select count(*) into total from graphseed;
    if total & (total - 1) = 0 then
      analyze graphseed;
    end if;
  end if;
  return added;
end $$;

-- create_species('human') makes human_proteins, human_protein_protein_links,
-- human_number_of_interactions and human_fib(integer). Links are stored in
-- both directions, as the expansion reads them from protein_id_a only.
create or replace function create_species(code text) returns void
language plpgsql as $fn$
begin
  if code !~ '^[a-z_][a-z0-9_]*$' then
    raise exception 'species code % is not a lower-case identifier', code;
  end if;

  execute format($q$
    create table if not exists %1$I (
      protein_id              text primary key,
      preferred_name          text not null default '',
      annotation_word_vectors tsvector not null default ''::tsvector
    )$q$, code || '_proteins');
  execute format('create index if not exists %I on %I using gin (annotation_word_vectors)',
                 code || '_proteins_words_idx', code || '_proteins');
  if exists (select 1 from pg_extension where extname = 'pg_trgm') then
    execute format('create index if not exists %I on %I using gin (upper(preferred_name) gin_trgm_ops)',
                   code || '_proteins_name_idx', code || '_proteins');
  end if;

  execute format($q$
    create table if not exists %1$I (
      protein_id_a   text not null,
      protein_id_b   text not null,
      combined_score integer not null,
      primary key (protein_id_a, protein_id_b)
    )$q$, code || '_protein_protein_links');
  -- Covers both the level growth and the final pair query without heap reads.
  execute format('create index if not exists %I on %I (protein_id_a, combined_score) include (protein_id_b)',
                 code || '_links_score_idx', code || '_protein_protein_links');

  execute format($q$
    create table if not exists %1$I (
      protein_id text primary key,
      nr_int     integer not null
    )$q$, code || '_number_of_interactions');

  -- One more level of the seed table: every partner of a seed whose link
  -- scores above the threshold joins it.
  execute format($q$
    create or replace function %1$I(threshold integer) returns integer
    language plpgsql as $body$
    declare
      added integer;
    begin
      perform ensure_graphseed();
      insert into graphseed(id)
        select distinct l.protein_id_b
        from graphseed g join %2$I l on l.protein_id_a = g.id
        where l.combined_score > threshold
      on conflict do nothing;
      get diagnostics added = row_count;
      analyze graphseed;
      return added;
    end $body$$q$, code || '_fib', code || '_protein_protein_links');
end $fn$;

-- Fills a species' search table and interaction counts from the shared
-- proteins table and its links; run again after loading more data.
create or replace function refresh_species(code text, taxon integer) returns void
language plpgsql as $fn$
begin
  perform create_species(code);
  execute format('truncate %I, %I', code || '_proteins', code || '_number_of_interactions');
  execute format($q$
    insert into %1$I (protein_id, preferred_name, annotation_word_vectors)
    select protein_id, preferred_name,
           setweight(to_tsvector('public.default', preferred_name), 'A') ||
           setweight(to_tsvector('public.default', annotation), 'B')
    from proteins where species_id = %2$s$q$, code || '_proteins', taxon);
  execute format($q$
    insert into %1$I (protein_id, nr_int)
    select protein_id_a, count(*) from %2$I group by protein_id_a$q$,
    code || '_number_of_interactions', code || '_protein_protein_links');
  execute format('analyze %I', code || '_proteins');
  execute format('analyze %I', code || '_protein_protein_links');
  execute format('analyze %I', code || '_number_of_interactions');
end $fn$;
